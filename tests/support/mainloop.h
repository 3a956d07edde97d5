#pragma once

#include <QCoreApplication>
#include <QTimer>
#include <functional>

// Runs the application's main loop, as the program runs it, until something ends the
// application: true when the action (run from inside the loop) ended it, false when
// nothing did within ten seconds.
inline bool endsApplication(const std::function<void()> &action)
{
    bool timedOut = false;
    QTimer::singleShot(0, action);
    QTimer guard;
    guard.setSingleShot(true);
    QObject::connect(&guard, &QTimer::timeout, [&] {
        timedOut = true;
        QCoreApplication::exit(1);
    });
    guard.start(10000);
    const int code = QCoreApplication::exec();
    return !timedOut && code == 0;
}
