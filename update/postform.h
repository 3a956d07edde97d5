#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <atomic>
#include <stdexcept>
#include <utility>

// Posts named text fields to the maker's web service as an HTML form and returns the
// reply body as text. One blocking attempt per call; every call builds its own client
// and leaves nothing behind, so any thread may call it, several at once.
//
// The road follows the scheme, compared without regard to letter case:
// - "https://": sends "Connection: close" and a Content-Type with "charset=utf-8", and
//   returns the reply body whatever the HTTP status (an error page is just text).
// - anything else: plain HTTP, no header of ours beyond the bare Content-Type; a status
//   outside 2xx fails the call.
// On both roads the body is decoded by the charset that the reply declares (UTF-8 when
// it declares none or one that is unknown here). Transport, TLS, timeout and over-size
// failures throw Error with the client's message text. Redirects are never followed.
//
// A call never outlasts its connect timeout plus its response timeout, however the
// server paces its reply.
class PostForm
{
public:
    class Error : public std::runtime_error
    {
    public:
        using std::runtime_error::runtime_error;
    };

    // caFile: a CA bundle to trust instead of the system store (tests only); empty = the
    // system store. The connect timeout covers name resolution, TCP and TLS set-up; the
    // response timeout is the longest silence allowed once connected; the two together
    // bound the whole call.
    // Only post() and encodeForm() need libcurl (the library murmlet_web); a PostForm
    // may be made and handed on anywhere, e.g. to the helper process that posts for it.
    PostForm(int connectTimeoutMs, int responseTimeoutMs, QString caFile = QString())
        : m_connectTimeoutMs(connectTimeoutMs), m_responseTimeoutMs(responseTimeoutMs),
          m_caFile(std::move(caFile))
    {
    }

    static PostForm updateCheck() { return PostForm(10000, 10000); }
    static PostForm feedback() { return PostForm(3000, 3000); }

    // Posts the ordered "name=value" lines; returns the reply body. When cancel is given
    // and becomes true, the call ends with Error within CancelLatencyMs.
    QString post(const QString &address, const QStringList &fields,
                 const std::atomic<bool> *cancel = nullptr) const;

    static constexpr int CancelLatencyMs = 50;

    // application/x-www-form-urlencoded as UTF-8: each line split at its first "=", name
    // and value encoded separately, pairs joined with "&". A line without "=" is a name
    // with an empty value.
    static QByteArray encodeForm(const QStringList &fields);

    // A longer reply body fails the call.
    static constexpr qint64 MaximumReplyBytes = 1024 * 1024;

    int connectTimeoutMs() const { return m_connectTimeoutMs; }
    int responseTimeoutMs() const { return m_responseTimeoutMs; }
    QString caFile() const { return m_caFile; }

private:
    int m_connectTimeoutMs;
    int m_responseTimeoutMs;
    QString m_caFile;
};
