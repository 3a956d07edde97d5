#pragma once

#include <QAction>
#include <functional>

class ListeningSession;
class Settings;

// Settings > Calibrate...: asks what a sound level meter in the room shows (see
// CalibrateDialog) and keeps the offset in the settings, or forgets it.
class CalibrateAction : public QAction
{
    Q_OBJECT
public:
    using Translator = std::function<QString(const QString &)>;

    // The dialog opens over dialogParent.
    CalibrateAction(const ListeningSession &session, Settings &settings, Translator translate,
                    QWidget *dialogParent);

    void calibrate();

private:
    const ListeningSession &m_session;
    Settings &m_settings;
    Translator m_translate;
    QWidget *m_dialogParent;
};
