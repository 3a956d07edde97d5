#pragma once

#include <QObject>

class QSocketNotifier;

// While it lives, SIGTERM (a desktop session that ends, `kill`) and SIGINT (Ctrl+C in a
// terminal) end the application's main loop with 0, as File -> Exit does, so the
// program ends through its usual road (the update check stopped, its helper ended)
// instead of being cut off. The handler only wakes the main loop through a socket; the
// quitting happens there. One at a time; nothing on Windows.
class QuitOnSignals : public QObject
{
    Q_OBJECT
public:
    QuitOnSignals();
    ~QuitOnSignals() override;
    QuitOnSignals(const QuitOnSignals &) = delete;
    QuitOnSignals &operator=(const QuitOnSignals &) = delete;

private:
    void onSignal();

    QSocketNotifier *m_notifier = nullptr;
};
