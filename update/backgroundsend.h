#pragma once

#include "update/webservice.h"

#include <QObject>
#include <QString>
#include <QStringList>
#include <atomic>
#include <thread>

// One WebService::send on a thread of its own, so that the thread that asks - the GUI's -
// keeps running its event loop (the meter, the count, the alarm) while the form is on its
// way. finished() arrives on the thread that made the object, through its event loop.
// cancel() ends the send within the post's cancel latency (PostForm::CancelLatencyMs, or
// the helper's kill); the destructor cancels a send still under way and waits for its
// thread, which shares nothing else with the caller.
class BackgroundSend : public QObject
{
    Q_OBJECT
public:
    BackgroundSend(WebService service, QString path, QStringList fields, QObject *parent = nullptr);
    ~BackgroundSend() override;
    BackgroundSend(const BackgroundSend &) = delete;
    BackgroundSend &operator=(const BackgroundSend &) = delete;

    // Starts the send; once per object.
    void start();
    void cancel();

    // True once finished() has come; reply() holds the outcome from then on.
    bool isFinished() const { return m_finished; }
    const WebService::Reply &reply() const { return m_reply; }

signals:
    void finished();

private:
    void deliver(WebService::Reply reply);

    const WebService m_service;
    const QString m_path;
    const QStringList m_fields;
    std::atomic<bool> m_cancel{false};
    std::thread m_thread;
    WebService::Reply m_reply;
    bool m_finished = false;
};
