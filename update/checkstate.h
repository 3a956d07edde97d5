#pragma once

#include "update/updatestore.h"

#include <QString>
#include <atomic>
#include <memory>

// What the update worker hands to the GUI thread. The worker writes every other member
// before it sets checkDone (release); the GUI thread reads them only after it has seen
// checkDone set (acquire). Shared by both through a shared_ptr, so a worker abandoned
// at exit never writes into freed memory.
struct CheckState
{
    std::atomic<bool> checkDone{false};
    // Set by the owner when the program ends: the worker stops at its next step and any
    // post under way ends within PostForm::CancelLatencyMs.
    std::atomic<bool> cancelRequested{false};
    bool newVersionAvailable = false;
    QString latestVersion;
    QString downloadUrl;
    int showUpdateSetting = 0;
    std::unique_ptr<UpdateStore> store; // opened by the worker
    QString errorLog;                   // diagnostics only
    bool checkFailed = false;

    // Records a failure unless the message is blank; entries are separated by two CRs.
    void logError(const QString &message);
    void clearErrors();
    // The user's "Update Notifications" choice, kept in the store for the next start.
    // Only once the check is done; without a store there is nowhere to keep it.
    void keepShowingUpdates(bool show);
};
