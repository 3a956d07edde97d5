// Ends the program in the middle of an update check, the way the program does: the
// worker is asked to stop and waited for (UpdateWorker::ExitWait at most), then main()
// returns and the static destructors and the TLS library's exit handlers run.
// tests/update/exit-stress.sh starts it many times against a server that never answers.
//
// Usage: murmlet_exitstress HOST:PORT STORE_FILE QUIT_AFTER_MS TIMEOUT_MS
// Runs the real check (both roads, the given connect and response timeouts) with its
// store in STORE_FILE and quits QUIT_AFTER_MS after the event loop starts. Exits with
// 0 when the worker ended within the wait, 3 when it had to be left running, 2 on bad
// arguments.

#include "update/postform.h"
#include "update/updatecheck.h"
#include "update/updateworker.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>
#include <QTimer>
#include <cstdio>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    bool quitOk = false;
    bool timeoutOk = false;
    const int quitAfterMs = arguments.value(3).toInt(&quitOk);
    const int timeoutMs = arguments.value(4).toInt(&timeoutOk);
    if (arguments.size() != 5 || !quitOk || !timeoutOk) {
        std::fprintf(stderr, "usage: murmlet_exitstress HOST:PORT STORE_FILE QUIT_AFTER_MS "
                             "TIMEOUT_MS\n");
        return 2;
    }
    const QString host = arguments[1];
    const QString storeFile = arguments[2];

    UpdateCheckSetup setup =
        UpdateCheckSetup::forHost(host, QStringLiteral("TAMBRIX"), QStringLiteral("Murmlet"));
    setup.service = WebService::atHost(host, PostForm(timeoutMs, timeoutMs));
    setup.openStore = [storeFile] { return UpdateStore::openFile(storeFile); };

    auto state = std::make_shared<CheckState>();
    UpdateWorker worker;
    QTimer::singleShot(0, &app, [&] {
        worker.start(setup, QStringLiteral("TAMBRIX - Murmlet"), QStringLiteral("1.1"), state);
    });
    QTimer::singleShot(quitAfterMs, &app, &QCoreApplication::quit);
    QCoreApplication::exec();
    if (worker.finish())
        return 0;
    // Left running: say for how long it still ran, for whoever looks into it.
    QElapsedTimer clock;
    clock.start();
    while (!state->checkDone.load(std::memory_order_acquire) && clock.elapsed() < 5000)
        QThread::msleep(1);
    std::fprintf(stderr, "the worker was still running %lld ms after the exit wait\n",
                 static_cast<long long>(clock.elapsed()));
    return 3;
}
