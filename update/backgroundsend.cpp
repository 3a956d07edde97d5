#include "update/backgroundsend.h"

#include <QMetaObject>
#include <exception>
#include <system_error>

BackgroundSend::BackgroundSend(WebService service, QString path, QStringList fields,
                               QObject *parent)
    : QObject(parent), m_service(std::move(service)), m_path(std::move(path)),
      m_fields(std::move(fields))
{
}

BackgroundSend::~BackgroundSend()
{
    cancel();
    // After the join nothing refers to this object any more; a result still queued for
    // it is dropped with it.
    if (m_thread.joinable())
        m_thread.join();
}

void BackgroundSend::start()
{
    if (m_thread.joinable() || m_finished)
        return;
    try {
        m_thread = std::thread([this] {
            WebService::Reply reply;
            try {
                reply = m_service.send(m_path, m_fields, &m_cancel);
            } catch (const std::exception &error) {
                reply.secureError = QString::fromUtf8(error.what());
            } catch (...) {
                reply.secureError = QStringLiteral("Unknown error");
            }
            QMetaObject::invokeMethod(
                this, [this, reply = std::move(reply)]() mutable { deliver(std::move(reply)); },
                Qt::QueuedConnection);
        });
    } catch (const std::system_error &error) {
        WebService::Reply reply;
        reply.secureError = QString::fromUtf8(error.what());
        QMetaObject::invokeMethod(
            this, [this, reply = std::move(reply)]() mutable { deliver(std::move(reply)); },
            Qt::QueuedConnection);
    }
}

void BackgroundSend::cancel()
{
    m_cancel.store(true, std::memory_order_release);
}

void BackgroundSend::deliver(WebService::Reply reply)
{
    m_reply = std::move(reply);
    m_finished = true;
    emit finished();
}
