// The smallest Qt Widgets program: one window with one label. The memory yardstick for
// the monitoring benchmark under Xvfb.
#include <QApplication>
#include <QLabel>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QLabel label(QStringLiteral("Murmlet"));
    label.show();
    return QApplication::exec();
}
