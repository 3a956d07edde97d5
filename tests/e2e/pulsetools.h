#pragma once

#include "e2e/soundfixtures.h"

#include <QByteArray>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <memory>
#include <optional>

// Helpers for tests that meet the private sound server started by with-pulse.sh.
namespace PulseTools {

using namespace SoundFixtures;

// Runs pactl with the arguments; its standard output, or nothing when it failed.
std::optional<QString> pactl(const QStringList &arguments);

// Plays a WAV file into a sink in real time (the virtual microphone's feed).
std::unique_ptr<QProcess> play(const QString &wav, const QString &sink);

// Records a source as raw mono 44100 Hz signed 16-bit samples until stopped; recording
// from the moment it is made.
class Recorder
{
public:
    explicit Recorder(const QString &source);
    ~Recorder();
    QByteArray stop(); // all samples recorded so far
private:
    QProcess m_process;
};

} // namespace PulseTools
