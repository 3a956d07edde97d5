#pragma once

#include <QMenu>
#include <functional>

class ListeningSession;
class QActionGroup;
class Settings;

// Settings -> Alarm Volume: 100 %, 90 %, ... 10 % of the warning sound's own loudness, one
// of them checked. A submenu rather than a dialog with a slider: one click sets it, the
// check mark shows it, and it sits like Pause Alarm and Microphone beside it; a room
// tells no finer steps apart. It hands the stored volume to the session when it is made
// (100 % when nothing is stored; a hand-written value outside 10 ... 100 plays at the
// nearer limit, and one between two steps as written, with no step checked), and a
// chosen one too, keeping it in the settings.
class AlarmVolumeMenu : public QMenu
{
    Q_OBJECT
public:
    using Translator = std::function<QString(const QString &)>;
    static constexpr int Steps[] = {100, 90, 80, 70, 60, 50, 40, 30, 20, 10};

    AlarmVolumeMenu(ListeningSession &session, Settings &settings, Translator translate,
                    QWidget *parent = nullptr);

    void choose(int percent);

private:
    void showChosen(int percent);

    ListeningSession &m_session;
    Settings &m_settings;
    QActionGroup *m_group;
};
