#pragma once

#include "update/updatecheck.h"

#include <chrono>
#include <future>
#include <memory>
#include <thread>

// Runs the update check on a worker thread of its own and ends it with the program.
// The owner's end (finish, or the destructor) asks a run still under way to stop and
// waits for the thread a bounded time, so that the program never ends - static
// destructors, the TLS library's exit handlers - under a worker that is still inside
// libcurl or writing its store. A worker that overstays the bound is left to the
// process; it shares nothing with the owner but the CheckState, which it keeps alive.
//
// How long the end waits: a cancelled run ends within milliseconds where the post runs
// in a helper process, killed as soon as the run sees the cancel (within
// PostForm::CancelLatencyMs). On Windows the post runs in this process, and its TLS
// set-up, while it reads the system's certificates, cannot be interrupted and took
// over 300 ms on a busy machine.
#ifdef Q_OS_WIN
inline constexpr std::chrono::milliseconds UpdateWorkerExitWait{1000};
#else
inline constexpr std::chrono::milliseconds UpdateWorkerExitWait{250};
#endif

class UpdateWorker
{
public:
    // How long the end of the program waits for a run under way.
    static constexpr std::chrono::milliseconds ExitWait = UpdateWorkerExitWait;

    UpdateWorker() = default;
    ~UpdateWorker();
    UpdateWorker(const UpdateWorker &) = delete;
    UpdateWorker &operator=(const UpdateWorker &) = delete;

    // Starts one check run on a new thread; once per worker.
    void start(UpdateCheckSetup setup, QString appTitle, QString appVersion,
               std::shared_ptr<CheckState> state);
    bool isStarted() const { return m_state != nullptr; }

    // Asks the run to stop and waits up to wait for its thread to end. True when no
    // thread of ours runs any more (also when none was started); false when the worker
    // was left running.
    bool finish(std::chrono::milliseconds wait = ExitWait);

private:
    std::shared_ptr<CheckState> m_state;
    std::thread m_thread;
    std::future<void> m_ended; // ready once the thread has nothing more of ours to do
};
