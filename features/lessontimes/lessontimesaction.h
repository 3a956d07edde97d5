#pragma once

#include <QAction>
#include <functional>

class ListeningSession;
class Settings;

// Settings > Lesson Times...: hands the stored lesson times to the session at once, and
// opens the dialog; what it gives on OK goes to the session and into the settings.
class LessonTimesAction : public QAction
{
    Q_OBJECT
public:
    using Translator = std::function<QString(const QString &)>;

    // The dialog opens over dialogParent.
    LessonTimesAction(ListeningSession &session, Settings &settings, Translator translate,
                      QWidget *dialogParent);

    void editLessonTimes();

private:
    ListeningSession &m_session;
    Settings &m_settings;
    Translator m_translate;
    QWidget *m_dialogParent;
};
