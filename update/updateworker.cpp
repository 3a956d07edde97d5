#include "update/updateworker.h"

#include <stdexcept>
#include <system_error>

UpdateWorker::~UpdateWorker()
{
    finish();
}

void UpdateWorker::start(UpdateCheckSetup setup, QString appTitle, QString appVersion,
                         std::shared_ptr<CheckState> state)
{
    if (m_state)
        throw std::logic_error("UpdateWorker::start: the check runs once");
    m_state = state;
    auto checker = std::make_unique<UpdateCheck>(std::move(setup), std::move(appTitle),
                                                 std::move(appVersion), std::move(state));
    std::promise<void> ended;
    m_ended = ended.get_future();
    try {
        m_thread = std::thread([checker = std::move(checker), ended = std::move(ended)]() mutable {
            checker->run();
            checker.reset(); // its setup too: after this nothing of ours runs on this thread
            ended.set_value();
        });
    } catch (const std::system_error &error) {
        // No thread, no check: it ends as a failed one, like any other error.
        m_state->logError(QStringLiteral("Exception Error:\r") + QString::fromUtf8(error.what()));
        m_state->checkDone.store(true, std::memory_order_release);
    }
}

bool UpdateWorker::finish(std::chrono::milliseconds wait)
{
    if (!m_thread.joinable())
        return true;
    m_state->cancelRequested.store(true, std::memory_order_release);
    if (m_ended.wait_for(wait) != std::future_status::ready) {
        m_thread.detach(); // left to the process, with its own share of the state
        return false;
    }
    m_thread.join();
    return true;
}
