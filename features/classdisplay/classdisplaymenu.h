#pragma once

#include <QMenu>
#include <functional>
#include <memory>

class ClassDisplay;
class ListeningSession;
class QScreen;
class Settings;

// View: "Class Display" (F11) shows the class display full screen on the chosen screen,
// or returns it to full screen; "Screen" lists the screens, the chosen one checked (the
// choice is kept in the settings); "Close Class Display" hides it. The display is a
// window of its own, made at first use, and offers this menu on a right-click too.
// A chosen screen that is not connected gives way to the main screen until it returns.
class ClassDisplayMenu : public QMenu
{
    Q_OBJECT
public:
    using Translator = std::function<QString(const QString &)>;

    ClassDisplayMenu(const ListeningSession &session, Settings &settings, Translator translate,
                     QWidget *parent = nullptr);
    ~ClassDisplayMenu() override;

    // Null until the display was first shown.
    ClassDisplay *display() const { return m_display.get(); }
    void showDisplay();
    void closeDisplay();
    // Keeps the screen by its name and moves a display on show there.
    void chooseScreen(const QString &name);
    // The chosen screen, or the main screen when it is not connected.
    QScreen *chosenScreen() const;

private:
    void listScreens();
    void followScreens();

    const ListeningSession &m_session;
    Settings &m_settings;
    Translator m_translate;
    std::unique_ptr<ClassDisplay> m_display;
    QAction *m_showItem;
    QAction *m_closeItem;
    QMenu *m_screenMenu;
};
