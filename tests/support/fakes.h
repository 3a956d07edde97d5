#pragma once

#include "base/desktop.h"
#include "monitor/capturedevice.h"
#include "monitor/soundplayer.h"
#include "update/updatecheck.h"

#include <QStringList>
#include <array>
#include <cstring>
#include <utility>

// Test doubles for the platform layers the main window talks to.

class RecordingDesktop : public Desktop
{
public:
    QStringList opened;
    QStringList started;
    // Each started script as {script, working folder}.
    QList<QStringList> scripts;
    bool openUrl(const QString &address) override
    {
        opened << address;
        return true;
    }
    bool startProgram(const QString &program) override
    {
        started << program;
        return true;
    }
    bool startScript(const QString &script, const QString &workingFolder) override
    {
        scripts << QStringList{script, workingFolder};
        return true;
    }
};

class RecordingPlayer : public SoundPlayer
{
public:
    QStringList played; // resource names, or "file:" + path
    void playResource(const QString &name) override
    {
        played << name;
        playing = playing || startsPlaying;
    }
    void playFile(const QString &path) override
    {
        played << QStringLiteral("file:") + path;
        playing = playing || startsPlaying;
    }
    bool playing = false;       // what isPlaying() says, set by the test
    bool startsPlaying = false; // a play call sets `playing`, as a real sound would
    bool isPlaying() const override { return playing; }
    QList<double> volumes; // every setVolume()
    void setVolume(double fraction) override { volumes << fraction; }
};

// An update check that never leaves the computer: every post fails at once, unless the
// test hands in a reply; the store is an INI file of the test's.
inline UpdateCheckSetup offlineUpdates(const QString &storeFile, const QString &reply = QString())
{
    UpdateCheckSetup setup;
    setup.service.httpsBase = QStringLiteral("https://127.0.0.1:9");
    setup.service.httpBase = QStringLiteral("http://127.0.0.1:9");
    setup.openStore = [storeFile] { return UpdateStore::openFile(storeFile); };
    setup.service.post = [reply](const QString &, const QStringList &,
                                 const std::atomic<bool> *) -> QString {
        if (reply.isNull())
            throw std::runtime_error("offline");
        return reply;
    };
    setup.today = [] { return QStringLiteral("10/12/2026"); };
    setup.machineId = [] { return std::optional<QString>(QString()); };
    setup.localeCode = [] { return QStringLiteral("en-US"); };
    setup.osDescription = [] { return QStringLiteral("Test OS"); };
    return setup;
}

// A microphone that always hears one steady peak, set by the test, with a list of inputs
// the test can change.
class SteadyDevice : public CaptureDevice
{
public:
    qint16 peak = 0;
    bool delivering = true; // false: no captures arrive (a pulled microphone)
    int opens = 0;
    int closes = 0;
    QString preferred;       // the last setPreferredInput()
    QString preferredAtOpen; // what was chosen when recording began
    QList<InputDevice> devices;
    bool devicesChanged = false;
    int open() override
    {
        ++opens;
        preferredAtOpen = preferred;
        return 0;
    }
    void setPreferredInput(const QString &id) override { preferred = id; }
    bool maintain() override { return std::exchange(devicesChanged, false); }
    QList<InputDevice> inputs() const override { return devices; }
    const std::uint8_t *takeLatest() override
    {
        if (!delivering)
            return nullptr;
        capture.fill(0);
        capture[0] = std::uint8_t(peak & 0xFF);
        capture[1] = std::uint8_t((peak >> 8) & 0xFF);
        return capture.data();
    }
    std::array<std::uint8_t, CaptureBytes> capture{};
    void close() override { ++closes; }
};
