#pragma once

#include <QString>
#include <functional>

class ListeningSession;

// What the status bar says about a pause: the count first (it is what the room is
// told), then until when the alarm is silent.
class PauseNote
{
public:
    using Translator = std::function<QString(const QString &)>;

    // countText as it is while the session is not paused; with the pause's end after it
    // while it is: "Noise Detected! (2) – Alarm paused until 10:08".
    static QString statusText(const QString &countText, const ListeningSession &session,
                              const Translator &translate);
};
