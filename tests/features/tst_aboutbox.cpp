#include "features/about/aboutbox.h"
#include "localisation/languagecatalogue.h"
#include "support/fakes.h"

#include "support/mousegesture.h"
#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFrame>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QUrl>

namespace {

const QString Host = QStringLiteral(MURMLET_WEB_HOST);

AppIdentity murmletIdentity()
{
    AppIdentity identity;
    identity.companyName = QStringLiteral("TAMBRIX");
    identity.productName = QStringLiteral("Murmlet");
    identity.title = QStringLiteral("TAMBRIX - Murmlet");
    identity.version = QStringLiteral("1.1");
    return identity;
}

// What a modal message box showed before the test closed it.
struct SeenMessage
{
    bool shown = false;
    QString caption;
    QString text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
};

void closeNextMessageBox(SeenMessage &seen)
{
    QTimer::singleShot(0, [&seen] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (!box)
            return;
        seen.shown = true;
        seen.caption = box->windowTitle();
        seen.text = box->text();
        seen.icon = box->icon();
        box->close();
    });
}

} // namespace

// One box over an English catalogue (no Languages folder), a recording desktop and a
// program folder of the test's own.
class AboutFixture
{
public:
    explicit AboutFixture(const QString &programFolder = QDir::tempPath())
        : language(programFolder, 0x0409), box(language, murmletIdentity(), desktop,
                                               AppPaths{programFolder + "/murmlet", programFolder})
    {
    }
    template <typename T> T *child(const char *name)
    {
        T *found = box.findChild<T *>(QString::fromLatin1(name));
        if (!found)
            qFatal("no child %s", name);
        return found;
    }

    RecordingDesktop desktop;
    LanguageCatalogue language;
    AboutBox box;
};

class TestAboutBox : public QObject
{
    Q_OBJECT
private slots:
    void showsProductAndVersion();
    void linksOpenMakersPages_data();
    void linksOpenMakersPages();
    void licenseOpensExactlyThatFile_data();
    void licenseOpensExactlyThatFile();
    void missingLicenseShowsError_data();
    void missingLicenseShowsError();
    void infoMenuIgnoresClickThatClosedIt_data();
    void infoMenuIgnoresClickThatClosedIt();
    void infoMenuDropsBelowButton();
    void hiddenPictureSlidesInAndOut();
    void dragMovesWindowByMouseMovement_data();
    void dragMovesWindowByMouseMovement();
    void linkIsNeverADragHandle_data();
    void linkIsNeverADragHandle();
    void escapeCloses();
    void rainPaintsDropsInTheirCells_data();
    void rainPaintsDropsInTheirCells();
};

void TestAboutBox::showsProductAndVersion()
{
    AboutFixture f;
    QCOMPARE(f.box.windowTitle(), QStringLiteral("About Murmlet"));
    QCOMPARE(f.child<QLabel>("Label2")->text(), QStringLiteral("Murmlet 1.1"));
    QCOMPARE(f.child<QPushButton>("BitBtn1")->text(), QStringLiteral("OK"));
    QCOMPARE(f.child<QPushButton>("BitBtn2")->text(), QStringLiteral("Info"));
    QCOMPARE(f.child<QAction>("LicensePrivacyPolicy1")->text(), QStringLiteral("License..."));
    QCOMPARE(f.child<QLabel>("Label5")->toolTip(), "http://" + Host + "/");
    QCOMPARE(f.box.size(), QSize(446, 374));
    QVERIFY(f.child<QTimer>("tmTimer")->isActive());
    QCOMPARE(f.child<QTimer>("tmTimer")->interval(), 50);
    QCOMPARE(f.box.rain().matrixChars(), QStringLiteral("tam"));
    QVERIFY(!f.child<QFrame>("PanelEgg")->isVisible());
}

void TestAboutBox::linksOpenMakersPages_data()
{
    QTest::addColumn<QString>("control");
    QTest::addColumn<QString>("address");
    QTest::newRow("acknowledgements") << "Credits1"
                                      << "https://" + Host + "/blog/credits-and-acknowledgements/";
    QTest::newRow("how to uninstall")
        << "Howtouninstall1"
        << "http://" + Host + "/blog/how-to-uninstall-tambrix-software/";
    QTest::newRow("web site link") << "Label5"
                                   << "http://" + Host + "/";
}

void TestAboutBox::linksOpenMakersPages()
{
    QFETCH(QString, control);
    QFETCH(QString, address);
    AboutFixture f;
    f.box.show();
    QVERIFY(QTest::qWaitForWindowExposed(&f.box));
    if (auto *item = f.box.findChild<QAction *>(control))
        item->trigger();
    else
        QTest::mouseClick(f.box.findChild<QWidget *>(control), Qt::LeftButton);
    QCOMPARE(f.desktop.opened, QStringList{address});
}

void TestAboutBox::licenseOpensExactlyThatFile_data()
{
    QTest::addColumn<QString>("folderName");
    QTest::newRow("blank in the path") << QStringLiteral("Program Files/Mur mlet");
    QTest::newRow("hash and percent in the path") << QStringLiteral("tools #1 %20 100%");
}

void TestAboutBox::licenseOpensExactlyThatFile()
{
    QFETCH(QString, folderName);
    QTemporaryDir temp;
    QVERIFY(temp.isValid());
    const QString folder = temp.filePath(folderName);
    QVERIFY(QDir().mkpath(folder));
    const QString license = folder + QStringLiteral("/license.txt");
    QFile file(license);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("terms\n");
    file.close();

    AboutFixture f(folder);
    f.child<QAction>("LicensePrivacyPolicy1")->trigger();
    QCOMPARE(f.desktop.opened.size(), 1);
    const QUrl opened(f.desktop.opened.front());
    QVERIFY(opened.isLocalFile());
    QCOMPARE(opened.toLocalFile(), license);
}

void TestAboutBox::missingLicenseShowsError_data()
{
    QTest::addColumn<bool>("danglingLink");
    QTest::newRow("no file") << false;
#ifndef Q_OS_WIN // a link there is a shortcut file, which is no link to Qt's file calls
    QTest::newRow("link to a removed file") << true;
#endif
}

void TestAboutBox::missingLicenseShowsError()
{
    QFETCH(bool, danglingLink);
    QTemporaryDir temp;
    QVERIFY(temp.isValid());
    const QString folder = temp.filePath(QStringLiteral("my program"));
    QVERIFY(QDir().mkpath(folder));
    if (danglingLink)
        QVERIFY(QFile::link(temp.filePath(QStringLiteral("gone.txt")), folder + "/license.txt"));

    AboutFixture f(folder);
    f.box.show();
    SeenMessage seen;
    closeNextMessageBox(seen);
    f.child<QAction>("LicensePrivacyPolicy1")->trigger();
    QVERIFY(seen.shown);
    QCOMPARE(seen.caption, QStringLiteral("License"));
    QCOMPARE(seen.text, QStringLiteral("File not found!"));
    QCOMPARE(seen.icon, QMessageBox::Critical);
    QVERIFY(f.desktop.opened.isEmpty());
    QVERIFY(f.box.isVisible()); // the box stays open
}

void TestAboutBox::infoMenuIgnoresClickThatClosedIt_data()
{
    // Each click happens at a tick; the menu it opens closes at the same tick.
    QTest::addColumn<QList<quint32>>("clicks");
    QTest::addColumn<QList<bool>>("opens");
    QTest::newRow("second click 50 ms later")
        << QList<quint32>{1000, 1050} << QList<bool>{true, false};
    QTest::newRow("second click 99 ms later")
        << QList<quint32>{1000, 1099} << QList<bool>{true, false};
    QTest::newRow("second click 100 ms later")
        << QList<quint32>{1000, 1100} << QList<bool>{true, true};
    QTest::newRow("third quick click opens again")
        << QList<quint32>{1000, 1010, 1020} << QList<bool>{true, false, true};
    QTest::newRow("tick count wraps between")
        << QList<quint32>{0xFFFFFFF0u, 0x10u} << QList<bool>{true, false};
}

void TestAboutBox::infoMenuIgnoresClickThatClosedIt()
{
    QFETCH(QList<quint32>, clicks);
    QFETCH(QList<bool>, opens);
    AboutFixture f;
    quint32 now = 0;
    bool opened = false;
    f.box.setTickSource([&now] { return now; });
    f.box.setMenuRunner([&opened](QMenu *, const QPoint &) { opened = true; });
    for (int i = 0; i < clicks.size(); ++i) {
        now = clicks[i];
        opened = false;
        f.box.showInfoMenu();
        QCOMPARE(opened, opens[i]);
    }
}

void TestAboutBox::infoMenuDropsBelowButton()
{
    AboutFixture f;
    f.box.show();
    QVERIFY(QTest::qWaitForWindowExposed(&f.box));
    auto *info = f.child<QPushButton>("BitBtn2");
    QMenu *shown = nullptr;
    QPoint at;
    f.box.setMenuRunner([&](QMenu *menu, const QPoint &p) {
        shown = menu;
        at = p;
    });
    QTest::mouseClick(info, Qt::LeftButton);
    QCOMPARE(shown, f.child<QMenu>("PopupMenu1"));
    QCOMPARE(at, info->mapToGlobal(QPoint(0, info->height())));
}

void TestAboutBox::hiddenPictureSlidesInAndOut()
{
    AboutFixture f;
    f.box.show();
    QVERIFY(QTest::qWaitForWindowExposed(&f.box));
    auto *panel = f.child<QFrame>("Panel1");
    auto *egg = f.child<QFrame>("PanelEgg");
    auto *eggTimer = f.child<QTimer>("TimerEgg");
    auto *icon = f.child<QLabel>("Image1");
    auto *picture = f.child<QLabel>("ImageEgg");
    const QPoint home = panel->pos();

    QTest::mouseDClick(icon, Qt::LeftButton);
    QVERIFY(egg->isVisible());
    QVERIFY(eggTimer->isActive());
    f.box.onSlideTick();
    QCOMPARE(panel->pos(), home + QPoint(5, 0));

    // While sliding: a second double click neither restarts nor brings the panel back.
    QTest::mouseDClick(icon, Qt::LeftButton);
    QCOMPARE(panel->pos(), home + QPoint(5, 0));
    QTest::mouseDClick(picture, Qt::LeftButton);
    QVERIFY(egg->isVisible());
    QVERIFY(eggTimer->isActive());

    QTRY_VERIFY(!eggTimer->isActive());
    QVERIFY(panel->x() > f.box.width());
    QVERIFY(panel->x() <= f.box.width() + 5);

    panel->move(panel->x(), home.y() + 7); // the top stays where it is
    QTest::mouseDClick(picture, Qt::LeftButton);
    QVERIFY(!egg->isVisible());
    QCOMPARE(panel->pos(), QPoint((446 - 350) / 2, home.y() + 7));
}

void TestAboutBox::dragMovesWindowByMouseMovement_data()
{
    QTest::addColumn<QString>("handle");
    QTest::addColumn<Qt::MouseButton>("button");
    QTest::addColumn<QPoint>("moved");
    QTest::newRow("left button on the panel") << "Panel1" << Qt::LeftButton << QPoint(30, -10);
    QTest::newRow("left button on the version") << "Label2" << Qt::LeftButton << QPoint(30, -10);
    QTest::newRow("middle button on the logo") << "Image2" << Qt::MiddleButton << QPoint(30, -10);
    QTest::newRow("right button on the panel") << "Panel1" << Qt::RightButton << QPoint(0, 0);
}

void TestAboutBox::dragMovesWindowByMouseMovement()
{
    QFETCH(QString, handle);
    QFETCH(Qt::MouseButton, button);
    QFETCH(QPoint, moved);
    AboutFixture f;
    f.box.move(200, 150);
    f.box.show();
    QVERIFY(QTest::qWaitForWindowExposed(&f.box));
    QWidget *target = f.box.findChild<QWidget *>(handle);
    QVERIFY(target);
    const QPoint start = f.box.pos();
    const QPoint local(10, 10);
    auto send = [&](QEvent::Type type, QPoint global, Qt::MouseButton which,
                    Qt::MouseButtons held) {
        QMouseEvent event(type, target->mapFromGlobal(global), global, which, held, Qt::NoModifier);
        QApplication::sendEvent(target, &event);
    };
    const QPoint from = target->mapToGlobal(local);
    send(QEvent::MouseButtonPress, from, button, button);
    send(QEvent::MouseMove, from + QPoint(20, 5), Qt::NoButton, button);
    send(QEvent::MouseMove, from + QPoint(30, -10), Qt::NoButton, button);
    send(QEvent::MouseButtonRelease, from + QPoint(30, -10), button, Qt::NoButton);
    QTRY_COMPARE(f.box.pos(), start + moved);
    // After the release, moving the mouse moves nothing.
    send(QEvent::MouseMove, from + QPoint(80, 80), Qt::NoButton, Qt::NoButton);
    QCOMPARE(f.box.pos(), start + moved);
}

// Pressing the link never drags the box; a drag begun elsewhere never opens it.
void TestAboutBox::linkIsNeverADragHandle_data()
{
    QTest::addColumn<QString>("pressed");
    QTest::addColumn<QPoint>("movedBy"); // the mouse between press and release
    QTest::addColumn<QPoint>("windowMoves");
    QTest::addColumn<bool>("opens");
    QTest::newRow("press on the link, wobble, release on it")
        << "Label5" << QPoint(4, 2) << QPoint() << true;
    QTest::newRow("press on the link, move away, release off it")
        << "Label5" << QPoint(-60, -80) << QPoint() << false;
    QTest::newRow("drag from the version across the link")
        << "Label2" << QPoint(10, 146) << QPoint(10, 146) << false;
}

void TestAboutBox::linkIsNeverADragHandle()
{
    QFETCH(QString, pressed);
    QFETCH(QPoint, movedBy);
    QFETCH(QPoint, windowMoves);
    QFETCH(bool, opens);
    AboutFixture f;
    f.box.move(200, 150);
    f.box.show();
    QVERIFY(QTest::qWaitForWindowExposed(&f.box));
    QWidget *target = f.child<QWidget>(pressed.toLatin1().constData());
    const QPoint before = f.box.pos();
    const QPoint from = target->mapToGlobal(target->rect().center());
    mouseGesture(&f.box, from, from + movedBy);
    QTRY_COMPARE(f.box.pos(), before + windowMoves);
    QCOMPARE(f.desktop.opened.size(), opens ? 1 : 0);
}

void TestAboutBox::escapeCloses()
{
    AboutFixture f;
    f.box.show();
    QVERIFY(QTest::qWaitForWindowExposed(&f.box));
    QTest::keyClick(f.child<QPushButton>("BitBtn2"), Qt::Key_Escape);
    QVERIFY(!f.box.isVisible());
}

void TestAboutBox::rainPaintsDropsInTheirCells_data()
{
    QTest::addColumn<int>("brightness");
    QTest::addColumn<bool>("visible");
    QTest::newRow("bright drop shows green") << 99 << true;
    QTest::newRow("dark drop stays black") << 0 << false;
}

void TestAboutBox::rainPaintsDropsInTheirCells()
{
    QFETCH(int, brightness);
    QFETCH(bool, visible);
    AboutFixture f;
    f.box.show();
    QVERIFY(QTest::qWaitForWindowExposed(&f.box));
    f.child<QTimer>("tmTimer")->stop();
    f.box.rain().drops() = {RainDrop{2, 4, 1, brightness}};
    f.box.onRainTick();
    const QImage &image = f.box.rainImage();
    bool green = false;
    bool outside = false;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            if (c == Qt::black)
                continue;
            const bool inHeadCell = x >= 16 && x < 24 && y >= 48 && y < 60;
            if (inHeadCell && c.green() > c.red() && c.green() > c.blue())
                green = true;
            // A wide letter may reach into the next column, never into other rows.
            if (y < 36 || y >= 60 || x < 16 || x >= 32)
                outside = true;
        }
    }
    QCOMPARE(green, visible);
    QVERIFY(!outside);
}

QTEST_MAIN(TestAboutBox)
#include "tst_aboutbox.moc"
