#pragma once

#include "session/alarmmode.h"

#include <QMenu>
#include <functional>

class ListeningSession;
class QActionGroup;
class Settings;

// Settings -> Alarm: Sound, Flash or Both, one of them checked. It hands the stored mode
// to the session when it is made (Sound when nothing is stored) and, when the user
// chooses another, hands that over and keeps it in the settings.
class AlarmModeMenu : public QMenu
{
    Q_OBJECT
public:
    using Translator = std::function<QString(const QString &)>;

    AlarmModeMenu(ListeningSession &session, Settings &settings, Translator translate,
                  QWidget *parent = nullptr);

    void choose(AlarmMode mode);

private:
    ListeningSession &m_session;
    Settings &m_settings;
    QActionGroup *m_group;
};
