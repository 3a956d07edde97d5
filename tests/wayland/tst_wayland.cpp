// The main window, its menus and dialogs, the About box and the update notice on Qt's
// Wayland platform, as a client of the headless weston that with-weston.sh starts: no
// input devices, no notification area, and windows placed by the compositor alone.

#include "app/mainwindow.h"
#include "base/windowplacement.h"
#include "features/about/aboutbox.h"
#include "localisation/languagecatalogue.h"
#include "monitor/microphonecapture.h"
#include "session/listeningsession.h"
#include "support/fakes.h"
#include "support/mousegesture.h"
#include "support/namedchild.h"
#include "update/updatenotice.h"

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QMenu>
#include <QMenuBar>
#include <QSystemTrayIcon>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QWindow>
#include <memory>

namespace {
// The real main window as main() makes it, over a microphone that hears a steady level,
// with the platform layers of the tests and a program folder of its own.
struct Fixture
{
    Fixture()
    {
        auto steady = std::make_unique<SteadyDevice>();
        capture = std::make_unique<MicrophoneCapture>(std::move(steady));
        session = std::make_unique<ListeningSession>(*capture, player);
        form = std::make_unique<MainWindow>(
            *session, desktop, language, AppPaths{programFile, folder.path()},
            [this](const AppIdentity &) { return offlineUpdates(folder.filePath("updates.ini")); });
    }
    template <typename T> T *child(const char *name) const
    {
        return namedChild<T>(*form, *session, name);
    }
    // Shows the window and waits until the compositor has mapped it.
    bool shown()
    {
        form->show();
        return QTest::qWaitForWindowExposed(form.get());
    }

    QTemporaryDir folder;
    QString programFile = QCoreApplication::applicationFilePath(); // holds the version record
    LanguageCatalogue language{folder.path(), 1033};
    std::unique_ptr<MicrophoneCapture> capture;
    RecordingPlayer player;
    std::unique_ptr<ListeningSession> session;
    RecordingDesktop desktop;
    std::unique_ptr<MainWindow> form;
};

// What a shown top-level window looks like to the compositor's client.
struct Seen
{
    bool exposed = false;
    QSize size;       // the widget's
    QSize windowSize; // the platform window's, as configured
    bool fixed = false;
    bool childOfMain = false; // transient for the main window
};

Seen look(QWidget *window, const QWidget *main)
{
    Seen seen;
    seen.exposed = QTest::qWaitForWindowExposed(window);
    seen.size = window->size();
    QWindow *handle = window->windowHandle();
    seen.windowSize = handle ? handle->size() : QSize();
    seen.fixed = window->minimumSize() == window->maximumSize();
    seen.childOfMain = handle && main && handle->transientParent() == main->windowHandle();
    return seen;
}

QWidget *topLevelNamed(const QString &name)
{
    for (QWidget *widget : QApplication::topLevelWidgets()) {
        if (widget->objectName() == name && widget->isVisible())
            return widget;
    }
    return nullptr;
}
} // namespace

class TestWayland : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void mainWindowAppearsAtItsSize();
    void menusOpen_data();
    void menusOpen();
    void dialogsOpen_data();
    void dialogsOpen();
    void dragIsTheCompositors_data();
    void dragIsTheCompositors();
    void aboutBoxDoubleClickStaysWithTheBox();
    void updateNoticeAppearsWhole();
    void minimiseWithoutNotificationArea();
};

void TestWayland::initTestCase()
{
    QCOMPARE(QGuiApplication::platformName(), QString("wayland"));
    QVERIFY(WindowPlacement::byCompositor());
}

void TestWayland::mainWindowAppearsAtItsSize()
{
    Fixture f;
    QVERIFY(f.shown());
    const Seen seen = look(f.form.get(), nullptr);
    const QSize expected(403, 245 + f.form->menuBar()->sizeHint().height());
    QCOMPARE(seen.size, expected);
    QCOMPARE(seen.windowSize, expected);
    QVERIFY(seen.fixed); // the compositor is told it cannot resize it
    QCOMPARE(f.form->windowHandle()->windowStates(), Qt::WindowNoState);
    qInfo() << "main window" << seen.windowSize << "frame margins (drawn by Qt)"
            << f.form->windowHandle()->frameMargins();
}

void TestWayland::menusOpen_data()
{
    QTest::addColumn<QString>("menu");
    QTest::newRow("File") << "File1";
    QTest::newRow("Settings") << "Settings1";
    QTest::newRow("View") << "View1";
    QTest::newRow("Help") << "Help1";
}

// Clicked open on the menu bar, each menu is mapped by the compositor as a pop-up.
void TestWayland::menusOpen()
{
    QFETCH(QString, menu);
    Fixture f;
    QVERIFY(f.shown());
    auto *popup = f.child<QMenu>(menu.toLatin1().constData());
    QMenuBar *bar = f.form->menuBar();
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->actionGeometry(popup->menuAction()).center());
    QTRY_VERIFY(popup->isVisible());
    QVERIFY(QTest::qWaitForWindowExposed(popup));
    QVERIFY(!popup->actions().isEmpty());
    popup->close();
    QTRY_VERIFY(!popup->isVisible());
}

void TestWayland::dialogsOpen_data()
{
    QTest::addColumn<QString>("item");
    QTest::addColumn<QString>("window");
    QTest::addColumn<QSize>("fixedSize"); // empty: the window may be resized
    QTest::newRow("About...") << "About1"
                              << "AboutBox" << QSize(446, 374);
    QTest::newRow("Send Feedback...") << "SendFeedback1"
                                      << "FeedbackForm" << QSize(525, 326);
    QTest::newRow("Language... (hidden item)") << "Language1"
                                               << "TranslateForm" << QSize(622, 227);
    QTest::newRow("Calibrate...") << "Calibrate1"
                                  << "CalibrateForm" << QSize();
    QTest::newRow("Session Report...") << "SessionReport1"
                                       << "SessionReportForm" << QSize();
}

// Each menu item opens its window over the main window, at the size it asks for.
void TestWayland::dialogsOpen()
{
    QFETCH(QString, item);
    QFETCH(QString, window);
    QFETCH(QSize, fixedSize);
    Fixture f;
    QVERIFY(f.shown());
    Seen seen;
    // A modal dialog runs its own loop inside trigger(); it is looked at from there.
    QTimer::singleShot(0, [&] {
        QWidget *opened = nullptr;
        QTRY_VERIFY((opened = topLevelNamed(window)));
        seen = look(opened, f.form.get());
        if (auto *dialog = qobject_cast<QDialog *>(opened); dialog && dialog->isModal())
            dialog->reject();
    });
    f.child<QAction>(item.toLatin1().constData())->trigger();
    QTRY_VERIFY(seen.size.isValid());
    QVERIFY(seen.exposed);
    QVERIFY(seen.childOfMain);
    QCOMPARE(seen.windowSize, seen.size);
    if (fixedSize.isValid()) {
        QVERIFY(seen.fixed);
        QCOMPARE(seen.size, fixedSize);
    }
    if (QWidget *stillOpen = topLevelNamed(window))
        stillOpen->close();
}

void TestWayland::dragIsTheCompositors_data()
{
    QTest::addColumn<bool>("notice"); // false: the About box
    QTest::addColumn<QString>("handle");
    QTest::addColumn<Qt::MouseButton>("button");
    QTest::addColumn<QPoint>("movedBy"); // the mouse between press and release, in the window
    QTest::addColumn<int>("requests");   // interactive moves asked of the compositor
    const QPoint away(40, 30);
    QTest::newRow("About box: left button on the panel")
        << false << "Panel1" << Qt::LeftButton << away << 1;
    QTest::newRow("About box: middle button on the logo")
        << false << "Image2" << Qt::MiddleButton << away << 1;
    QTest::newRow("About box: right button on the panel")
        << false << "Panel1" << Qt::RightButton << away << 0;
    QTest::newRow("About box: from the link up into the panel")
        << false << "Label5" << Qt::LeftButton << QPoint(0, -25) << 0;
    QTest::newRow("notice: left button on the icon")
        << true << "Image1" << Qt::LeftButton << away << 1;
    QTest::newRow("notice: from the link up onto the title")
        << true << "Label2" << Qt::LeftButton << QPoint(0, -20) << 0;
}

// A drag by a handle asks the compositor for one interactive move, however far the mouse
// goes, and never moves the window itself: a client's move() is ignored under Wayland.
// The test's weston has no pointer, so the real request would be refused; a recording
// one stands in for it.
void TestWayland::dragIsTheCompositors()
{
    QFETCH(bool, notice);
    QFETCH(QString, handle);
    QFETCH(Qt::MouseButton, button);
    QFETCH(QPoint, movedBy);
    QFETCH(int, requests);
    RecordingDesktop desktop;
    LanguageCatalogue language(QString(), 1033);
    std::unique_ptr<QWidget> window;
    WindowDrag *drag = nullptr;
    if (notice) {
        auto *n = new UpdateNotice(desktop, language,
                                   {"Murmlet", "2.0", "https://x.example/get", "http://h.example/"},
                                   nullptr);
        drag = &n->drag();
        window.reset(n);
        QTRY_VERIFY(window->isVisible());
    } else {
        auto *box = new AboutBox(language, AppIdentity(), desktop,
                                 AppPaths{QDir::tempPath() + "/murmlet", QDir::tempPath()});
        drag = &box->drag();
        window.reset(box);
        window->show();
    }
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    QList<QWindow *> asked;
    drag->setSystemMove([&](QWindow *w) {
        asked << w;
        return true;
    });
    auto *target = window->findChild<QWidget *>(handle);
    QVERIFY(target);
    const QPoint before = window->pos();
    const QPoint from = target->mapToGlobal(QPoint(5, 5));
    mouseGesture(target, from, from + movedBy, button);
    QCOMPARE(asked.size(), requests);
    if (requests)
        QCOMPARE(asked.constFirst(), window->windowHandle());
    QCOMPARE(window->pos(), before);
    QVERIFY(desktop.opened.isEmpty()); // a link pressed and left elsewhere opens nothing
}

// The press and the release of a click stay with the box: the drag is handed over only
// once the mouse moves, so a double click on the icon still slides the panel away.
void TestWayland::aboutBoxDoubleClickStaysWithTheBox()
{
    RecordingDesktop desktop;
    LanguageCatalogue language(QString(), 1033);
    AboutBox box(language, AppIdentity(), desktop,
                 AppPaths{QDir::tempPath() + "/murmlet", QDir::tempPath()});
    int asked = 0;
    box.drag().setSystemMove([&](QWindow *) { return ++asked, true; });
    box.show();
    QVERIFY(QTest::qWaitForWindowExposed(&box));
    auto *panel = box.findChild<QWidget *>("Panel1");
    const QPoint home = panel->pos();
    QTest::mouseDClick(box.findChild<QWidget *>("Image1"), Qt::LeftButton);
    QTRY_VERIFY(panel->x() > home.x());
    QCOMPARE(asked, 0);
}

// Placed by the compositor, the notice shows at its full size from the first frame: it
// cannot grow out of a centre it does not choose.
void TestWayland::updateNoticeAppearsWhole()
{
    RecordingDesktop desktop;
    LanguageCatalogue language(QString(), 1033);
    UpdateNotice notice(desktop, language,
                        {"Murmlet", "2.0", "https://x.example/get", "http://h.example/"}, nullptr);
    QList<QSize> sizes;
    struct SizeWatch : QObject
    {
        QList<QSize> *sizes;
        bool eventFilter(QObject *, QEvent *event) override
        {
            if (event->type() == QEvent::Resize)
                *sizes << static_cast<QResizeEvent *>(event)->size();
            return false;
        }
    } watch;
    watch.sizes = &sizes;
    notice.installEventFilter(&watch);
    QTRY_VERIFY(notice.isVisible());
    QVERIFY(QTest::qWaitForWindowExposed(&notice));
    QTest::qWait(300); // longer than the animation would last
    for (const QSize &size : sizes)
        QCOMPARE(size, QSize(320, 68));
    QCOMPARE(notice.windowHandle()->size(), QSize(320, 68));
    QTest::mouseClick(notice.findChild<QWidget *>("Label2"), Qt::LeftButton);
    QCOMPARE(desktop.opened, QStringList{"https://x.example/get"});
    QTRY_VERIFY(!notice.isVisible());
}

// Weston has no notification area: with Minimize to System Tray on, minimising leaves
// the window on the taskbar (a hidden window could never come back), as on X11 without
// one. xdg-shell never tells a client that it is minimised, so Qt takes the state back
// at the compositor's next configure; the window is asked to minimise all the same.
void TestWayland::minimiseWithoutNotificationArea()
{
    QVERIFY(!QSystemTrayIcon::isSystemTrayAvailable());
    Fixture f;
    f.child<QAction>("MinimizetoSystemTray1")->trigger();
    QVERIFY(f.shown());
    bool minimised = false;
    QObject::connect(f.form->windowHandle(), &QWindow::windowStateChanged,
                     [&](Qt::WindowState state) { minimised |= state == Qt::WindowMinimized; });
    f.form->showMinimized();
    QTest::qWait(200);
    QVERIFY(minimised);
    QVERIFY(f.form->isVisible());
    QVERIFY(!f.child<QSystemTrayIcon>("TrayIcon1")->isVisible());
    qInfo() << "minimised after the compositor's answer:" << f.form->isMinimized();
}

QTEST_MAIN(TestWayland)
#include "tst_wayland.moc"
