#pragma once

#include <QObject>

class ListeningSession;

// What the class display shows, followed from the listening session: the traffic light
// (quiet, noisy but under the tolerance, alarm), the level against the threshold, the
// count of noisy seconds, the pause and the visual alarm's flash. It changes only on the
// session's signals and says so through changed(), only when something shown differs.
class ClassDisplayModel : public QObject
{
    Q_OBJECT
public:
    enum class State
    {
        Idle,       // not listening yet
        SignalLost, // no sound comes in; the room counts as quiet
        Quiet,
        Noisy, // the reading is noise or the count runs, short of the tolerance
        Alarm, // the alarm sounded, shown for AlarmHoldSeconds counted seconds
    };
    // The alarm stays on the display this many count ticks, so the class sees it.
    static constexpr int AlarmHoldSeconds = 3;

    struct Look
    {
        State state = State::Idle;
        int levelPercent = 0;     // the meter's whole percentage
        int thresholdPercent = 0; // where the threshold lies on the same scale
        int noiseSeconds = 0;
        int tolerance = 1;
        bool paused = false;
        qint64 pauseEnd = 0; // milliseconds since the epoch, while paused
        bool flashLit = false;

        bool operator==(const Look &other) const;
        bool operator!=(const Look &other) const { return !(*this == other); }
    };

    explicit ClassDisplayModel(const ListeningSession &session, QObject *parent = nullptr);

    const Look &look() const { return m_look; }

signals:
    void changed();

private:
    void onReading(bool noisy);
    void onSecond(bool alarmSounded);
    void refresh();

    const ListeningSession &m_session;
    Look m_look;
    bool m_readingNoisy = false;
    int m_alarmSecondsLeft = 0;
    bool m_flashLit = false;
};
