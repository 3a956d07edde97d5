#pragma once

#include <QMenu>
#include <functional>

class ListeningSession;

// "Pause Alarm": 10, 30 or 60 minutes, and Resume, for the Settings menu and the
// notification-area icon's menu alike. It pauses and resumes the session's alarm;
// Resume is offered only while the session is paused.
class PauseMenu : public QMenu
{
    Q_OBJECT
public:
    using Translator = std::function<QString(const QString &)>;
    static constexpr int Choices[] = {10, 30, 60};

    PauseMenu(ListeningSession &session, Translator translate, QWidget *parent = nullptr);

    // Captions in the interface language and Resume as the pause is now (it may have
    // run out since it was last shown).
    void showState();

private:
    ListeningSession &m_session;
    Translator m_translate;
    QList<QAction *> m_pauseItems;
    QAction *m_resumeItem = nullptr;
};
