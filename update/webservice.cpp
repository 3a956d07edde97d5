#include "update/webservice.h"

#include "update/postform.h"

#include <exception>

WebService WebService::atHost(const QString &host, const PostForm &form)
{
    return {QStringLiteral("https://") + host, QStringLiteral("http://") + host,
            [form](const QString &address, const QStringList &fields,
                   const std::atomic<bool> *cancel) { return form.post(address, fields, cancel); }};
}

WebService::Reply WebService::send(const QString &path, const QStringList &fields,
                                   const std::atomic<bool> *cancel) const
{
    const auto cancelled = [cancel] { return cancel && cancel->load(std::memory_order_acquire); };
    Reply reply;
    try {
        reply.body = post(httpsBase + path, fields, cancel);
        return reply;
    } catch (const std::exception &error) {
        reply.secureError = QString::fromUtf8(error.what());
    }
    if (cancelled()) {
        reply.plainError = QStringLiteral("Cancelled");
        return reply;
    }
    try {
        reply.body = post(httpBase + path, fields, cancel);
    } catch (const std::exception &error) {
        reply.plainError = QString::fromUtf8(error.what());
    }
    return reply;
}
