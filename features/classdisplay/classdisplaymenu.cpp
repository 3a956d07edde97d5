#include "features/classdisplay/classdisplaymenu.h"

#include "base/settings.h"
#include "features/classdisplay/classdisplay.h"

#include <QAction>
#include <QGuiApplication>
#include <QKeySequence>
#include <QScreen>
#include <QTimer>
#include <utility>

ClassDisplayMenu::ClassDisplayMenu(const ListeningSession &session, Settings &settings,
                                   Translator translate, QWidget *parent)
    : QMenu(parent), m_session(session), m_settings(settings), m_translate(std::move(translate))
{
    setObjectName(QStringLiteral("View1"));
    setTitle(m_translate(QStringLiteral("View")));
    m_showItem = addAction(m_translate(QStringLiteral("Class Display")));
    m_showItem->setObjectName(QStringLiteral("ClassDisplay1"));
    m_showItem->setShortcut(QKeySequence(Qt::Key_F11));
    m_showItem->setShortcutContext(Qt::ApplicationShortcut);
    connect(m_showItem, &QAction::triggered, this, &ClassDisplayMenu::showDisplay);
    m_screenMenu = addMenu(m_translate(QStringLiteral("Screen")));
    m_screenMenu->setObjectName(QStringLiteral("ClassDisplayScreen1"));
    connect(m_screenMenu, &QMenu::aboutToShow, this, &ClassDisplayMenu::listScreens);
    addSeparator()->setObjectName(QStringLiteral("N4"));
    m_closeItem = addAction(m_translate(QStringLiteral("Close Class Display")));
    m_closeItem->setObjectName(QStringLiteral("CloseClassDisplay1"));
    m_closeItem->setEnabled(false);
    connect(m_closeItem, &QAction::triggered, this, &ClassDisplayMenu::closeDisplay);
    connect(this, &QMenu::aboutToShow, this,
            [this] { m_closeItem->setEnabled(m_display && m_display->isVisible()); });
    listScreens();
    followScreens();
}

ClassDisplayMenu::~ClassDisplayMenu() = default;

void ClassDisplayMenu::showDisplay()
{
    if (!m_display) {
        m_display = std::make_unique<ClassDisplay>(m_session, m_translate);
        m_display->setContextMenu(this);
        // F11 works on the display too, while the main window hides in the tray.
        m_display->addAction(m_showItem);
    }
    m_display->showFullScreenOn(chosenScreen());
    m_closeItem->setEnabled(true);
}

void ClassDisplayMenu::closeDisplay()
{
    if (m_display)
        m_display->close();
    m_closeItem->setEnabled(false);
}

void ClassDisplayMenu::chooseScreen(const QString &name)
{
    m_settings.write(SettingsTable::ClassDisplayScreen, name);
    listScreens();
    if (m_display && m_display->isVisible())
        showDisplay();
}

QScreen *ClassDisplayMenu::chosenScreen() const
{
    const QString name = m_settings.read(SettingsTable::ClassDisplayScreen);
    const QList<QScreen *> screens = QGuiApplication::screens();
    for (QScreen *screen : screens) {
        if (!name.isEmpty() && screen->name() == name)
            return screen;
    }
    return QGuiApplication::primaryScreen();
}

void ClassDisplayMenu::listScreens()
{
    m_screenMenu->clear();
    const QScreen *chosen = chosenScreen();
    const QList<QScreen *> screens = QGuiApplication::screens();
    for (int i = 0; i < screens.size(); ++i) {
        QScreen *screen = screens[i];
        const QSize size = screen->geometry().size();
        QAction *item = m_screenMenu->addAction(QStringLiteral("%1: %2 (%3 \u00D7 %4)")
                                                    .arg(i + 1)
                                                    .arg(screen->name())
                                                    .arg(size.width())
                                                    .arg(size.height()));
        item->setObjectName(QStringLiteral("ScreenChoice%1").arg(i + 1));
        item->setCheckable(true);
        item->setChecked(screen == chosen);
        const QString name = screen->name();
        connect(item, &QAction::triggered, this, [this, name] { chooseScreen(name); });
    }
}

// A full-screen display whose screen goes moves to the main screen, and back to the
// chosen one when that returns.
void ClassDisplayMenu::followScreens()
{
    const auto replace = [this] {
        if (m_display && m_display->isFullScreen())
            showDisplay();
    };
    connect(qGuiApp, &QGuiApplication::screenRemoved, this,
            [replace, this] { QTimer::singleShot(0, this, replace); });
    connect(qGuiApp, &QGuiApplication::screenAdded, this, [replace, this](QScreen *screen) {
        if (screen == chosenScreen())
            QTimer::singleShot(0, this, replace);
    });
}
