#include "update/webservice.h"

#include "update/postform.h"
#ifndef Q_OS_WIN
#include "update/postprocess.h"
#endif

#include <exception>

WebService WebService::atHost(const QString &host, const PostForm &form)
{
#ifdef Q_OS_WIN
    // Windows' TLS is part of the system and costs the program nothing to load.
    const PostForm &poster = form;
#else
    // Elsewhere the TLS stack would stay in memory for the program's whole life after
    // the first post, so a helper process posts.
    const PostProcess poster(PostProcess::helperBesideProgram(), form);
#endif
    return {QStringLiteral("https://") + host, QStringLiteral("http://") + host,
            [poster](const QString &address, const QStringList &fields,
                     const std::atomic<bool> *cancel) {
                return poster.post(address, fields, cancel);
            }};
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
