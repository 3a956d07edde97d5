#include "localisation/languagecatalogue.h"
#include "support/fakes.h"
#include "support/mousegesture.h"
#include "update/updatenotice.h"

#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>

namespace {
struct Notice
{
    Notice()
        : window(desktop, language,
                 {"Murmlet", "2.0", "https://x.example/get", "http://home.example/"}, nullptr)
    {
        QTRY_VERIFY(window.isVisible());
        QTRY_COMPARE(window.size(), QSize(320, 68));
    }
    template <typename T> T *child(const char *name) { return window.findChild<T *>(name); }
    RecordingDesktop desktop;
    LanguageCatalogue language{QString(), 1033};
    UpdateNotice window;
};
} // namespace

class TestUpdateNotice : public QObject
{
    Q_OBJECT
private slots:
    void englishTexts();
    void dragging_data();
    void dragging();
    void linkIsNeverADragHandle_data();
    void linkIsNeverADragHandle();
    void closeButton();
    void closesItselfAfterElevenSeconds();
};

void TestUpdateNotice::englishTexts()
{
    Notice n;
    QCOMPARE(n.window.title(), QString("UPDATE AVAILABLE"));
    QCOMPARE(n.window.linkText(), QString("Click to download Murmlet 2.0"));
    QVERIFY(n.window.windowFlags() & Qt::WindowStaysOnTopHint);
    QVERIFY(n.window.windowFlags() & Qt::FramelessWindowHint);
}

void TestUpdateNotice::dragging_data()
{
    QTest::addColumn<QString>("handle");
    QTest::addColumn<int>("button");
    QTest::addColumn<bool>("moves");
    QTest::newRow("left button on the icon") << "Image1" << int(Qt::LeftButton) << true;
    QTest::newRow("middle button on the title") << "Label1" << int(Qt::MiddleButton) << true;
    QTest::newRow("strip under the close button") << "Panel3" << int(Qt::LeftButton) << true;
    QTest::newRow("right button does nothing") << "Image1" << int(Qt::RightButton) << false;
}

void TestUpdateNotice::dragging()
{
    QFETCH(QString, handle);
    QFETCH(int, button);
    QFETCH(bool, moves);
    Notice n;
    QWidget *target = n.child<QWidget>(handle.toLatin1().constData());
    QVERIFY(target);
    const QPoint before = n.window.pos();
    const auto mouse = [&](QEvent::Type type, QPoint at, Qt::MouseButton b, Qt::MouseButtons held) {
        QMouseEvent event(type, at, target->mapToGlobal(at), b, held, Qt::NoModifier);
        QCoreApplication::sendEvent(target, &event);
    };
    const auto pressed = Qt::MouseButton(button);
    mouse(QEvent::MouseButtonPress, QPoint(5, 5), pressed, pressed);
    mouse(QEvent::MouseMove, QPoint(-35, 25), Qt::NoButton, pressed);
    mouse(QEvent::MouseButtonRelease, QPoint(-35, 25), pressed, Qt::NoButton);
    QCOMPARE(n.window.pos(), moves ? before + QPoint(-40, 20) : before);
    QVERIFY(n.desktop.opened.isEmpty());
}

// Pressing the link never drags the notice; a drag begun elsewhere never opens it.
void TestUpdateNotice::linkIsNeverADragHandle_data()
{
    QTest::addColumn<QString>("pressed");
    QTest::addColumn<QPoint>("movedBy"); // the mouse between press and release
    QTest::addColumn<QPoint>("windowMoves");
    QTest::addColumn<bool>("opens");
    QTest::newRow("press on the link, wobble, release on it")
        << "Label2" << QPoint(4, 2) << QPoint() << true;
    QTest::newRow("press on the link, move away, release off it")
        << "Label2" << QPoint(-60, 40) << QPoint() << false;
    QTest::newRow("drag from the icon across the link")
        << "Image1" << QPoint(120, 20) << QPoint(120, 20) << false;
}

void TestUpdateNotice::linkIsNeverADragHandle()
{
    QFETCH(QString, pressed);
    QFETCH(QPoint, movedBy);
    QFETCH(QPoint, windowMoves);
    QFETCH(bool, opens);
    Notice n;
    QVERIFY(QTest::qWaitForWindowExposed(&n.window));
    QWidget *target = n.child<QWidget>(pressed.toLatin1().constData());
    const QPoint before = n.window.pos();
    const QPoint from = target->mapToGlobal(target->rect().center());
    mouseGesture(&n.window, from, from + movedBy);
    QCOMPARE(n.window.pos(), before + windowMoves);
    QCOMPARE(n.desktop.opened.size(), opens ? 1 : 0);
}

void TestUpdateNotice::closeButton()
{
    Notice n;
    n.child<QPushButton>("Button1")->click();
    QVERIFY(!n.window.isVisible());
    QVERIFY(n.desktop.opened.isEmpty());
}

void TestUpdateNotice::closesItselfAfterElevenSeconds()
{
    Notice n;
    auto *countdown = n.child<QTimer>("TimerClose");
    QCOMPARE(countdown->interval(), 1000);
    for (int tick = 1; tick < 11; ++tick)
        n.window.onCloseTick();
    QVERIFY(n.window.isVisible()); // ten seconds: still there
    n.window.onCloseTick();
    QTRY_VERIFY(!n.window.isVisible()); // shrinks away on the eleventh
    QVERIFY(!countdown->isActive());
}

QTEST_MAIN(TestUpdateNotice)
#include "tst_updatenotice.moc"
