#include "update/webservice.h"

#include "update/postform.h"

#include <exception>

WebService WebService::atHost(const QString &host, const PostForm &form)
{
    return {QStringLiteral("https://") + host, QStringLiteral("http://") + host,
            [form](const QString &address, const QStringList &fields) {
                return form.post(address, fields);
            }};
}

WebService::Reply WebService::send(const QString &path, const QStringList &fields) const
{
    Reply reply;
    try {
        reply.body = post(httpsBase + path, fields);
        return reply;
    } catch (const std::exception &error) {
        reply.secureError = QString::fromUtf8(error.what());
    }
    try {
        reply.body = post(httpBase + path, fields);
    } catch (const std::exception &error) {
        reply.plainError = QString::fromUtf8(error.what());
    }
    return reply;
}
