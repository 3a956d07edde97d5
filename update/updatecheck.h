#pragma once

#include "update/checkstate.h"
#include "update/webservice.h"

#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <optional>

// Everything the update check needs from outside, so that tests can hand in a local
// server, a store of their own and a clock.
struct UpdateCheckSetup
{
    WebService service;
    std::function<std::unique_ptr<UpdateStore>()> openStore;
    std::function<QString()> today; // the date in the user's short date format
    std::function<std::optional<QString>()> machineId;
    std::function<QString()> localeCode;
    std::function<QString()> osDescription;
    // The computer's administrator: a preset stands where the user has no choice in the
    // store, a locked choice over any.
    std::optional<bool> presetNotifications;
    std::optional<bool> lockedNotifications;

    // The maker's service at host, the per-user store, this computer's facts.
    static UpdateCheckSetup forHost(const QString &host, const QString &company,
                                    const QString &product);
};

// Once per program start: asks the service whether another version exists, at most five
// answered times a day, and leaves the answer in the shared CheckState.
class UpdateCheck
{
public:
    static constexpr int RepliesPerDay = 5;

    UpdateCheck(UpdateCheckSetup setup, QString appTitle, QString appVersion,
                std::shared_ptr<CheckState> state);

    // One check run on the calling thread; sets checkDone as its very last act, whatever
    // happens before: an error of any kind ends the run as a failed check. Never throws.
    void run() noexcept;

    // The value of "<tag>...</tag>" filling the whole line, or empty.
    static QString extractTag(const QString &line, const QString &tag);
    // True when the version with its dots removed is a 32-bit signed integer.
    static bool isNumericVersion(const QString &version);

private:
    void perform(CheckState &state);

    UpdateCheckSetup m_setup;
    QString m_appTitle;
    QString m_appVersion;
    std::shared_ptr<CheckState> m_state;
};
