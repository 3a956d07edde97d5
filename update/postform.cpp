#include "update/postform.h"

#include "base/monotonicclock.h"

#include <QFile>
#include <QStringDecoder>
#include <algorithm>
#include <chrono>
#include <curl/curl.h>
#include <memory>
#include <mutex>

// Both roads go through libcurl, driven through a multi handle of the call's own so
// that the response timeout can be an idle timeout with millisecond precision: the
// call fails once nothing has been sent or received for responseTimeoutMs after the
// connection (TLS included) is up. libcurl's own choices fall short of that:
// CURLOPT_TIMEOUT_MS caps the whole exchange, so a long reply arriving steadily would
// fail, and its low-speed limit counts whole seconds. curl_easy_perform wakes only
// about once a second when idle, which would blur short timeouts by up to a second.
// The same loop holds the whole call to connect + response timeout (a server that
// trickles one byte at a time never goes silent for long) and looks at the caller's
// cancel flag.

namespace {
using Clock = MonotonicClock::Clock;

const char *const SecureContentType =
    "Content-Type: application/x-www-form-urlencoded; charset=utf-8";
const char *const PlainContentType = "Content-Type: application/x-www-form-urlencoded";

CURLcode initialiseCurl()
{
    static std::once_flag once;
    static CURLcode result = CURLE_OK;
    std::call_once(once, [] { result = curl_global_init(CURL_GLOBAL_DEFAULT); });
    return result;
}

void check(CURLcode code)
{
    if (code != CURLE_OK)
        throw PostForm::Error(curl_easy_strerror(code));
}

void check(CURLMcode code)
{
    if (code != CURLM_OK)
        throw PostForm::Error(curl_multi_strerror(code));
}

struct EasyDeleter
{
    void operator()(CURL *easy) const { curl_easy_cleanup(easy); }
};
struct MultiDeleter
{
    void operator()(CURLM *multi) const { curl_multi_cleanup(multi); }
};
struct ListDeleter
{
    void operator()(curl_slist *list) const { curl_slist_free_all(list); }
};
using EasyHandle = std::unique_ptr<CURL, EasyDeleter>;
using MultiHandle = std::unique_ptr<CURLM, MultiDeleter>;
using HeaderList = std::unique_ptr<curl_slist, ListDeleter>;

// Keeps the easy handle attached to the multi handle for as long as it lives, so that
// every way out of the transfer detaches it before either handle is cleaned up.
class Attachment
{
public:
    Attachment(CURLM *multi, CURL *easy) : m_multi(multi), m_easy(easy)
    {
        check(curl_multi_add_handle(multi, easy));
    }
    ~Attachment() { curl_multi_remove_handle(m_multi, m_easy); }
    Attachment(const Attachment &) = delete;
    Attachment &operator=(const Attachment &) = delete;

private:
    CURLM *m_multi;
    CURL *m_easy;
};

// What the callbacks collect during one transfer.
struct Transfer
{
    QByteArray body;
    QByteArray statusLine; // the last "HTTP/..." line: interim 1xx replies come first
    bool tooLarge = false;
    curl_off_t uploaded = 0;
    Clock::time_point lastActivity;
    const std::atomic<bool> *cancel = nullptr;
};

bool isCancelled(const Transfer &transfer)
{
    return transfer.cancel && transfer.cancel->load(std::memory_order_acquire);
}

size_t receiveBody(char *data, size_t size, size_t count, void *userdata)
{
    auto &transfer = *static_cast<Transfer *>(userdata);
    const size_t bytes = size * count;
    transfer.lastActivity = Clock::now();
    if (static_cast<qint64>(bytes) > PostForm::MaximumReplyBytes - transfer.body.size()) {
        transfer.tooLarge = true;
        return 0; // anything but `bytes` aborts the transfer
    }
    transfer.body.append(data, static_cast<qsizetype>(bytes));
    return bytes;
}

size_t receiveHeader(char *data, size_t size, size_t count, void *userdata)
{
    auto &transfer = *static_cast<Transfer *>(userdata);
    const size_t bytes = size * count;
    transfer.lastActivity = Clock::now();
    const QByteArray line = QByteArray(data, static_cast<qsizetype>(bytes)).trimmed();
    if (line.startsWith("HTTP/"))
        transfer.statusLine = line;
    return bytes;
}

int progress(void *userdata, curl_off_t, curl_off_t, curl_off_t, curl_off_t uploaded)
{
    auto &transfer = *static_cast<Transfer *>(userdata);
    if (uploaded != transfer.uploaded) {
        transfer.uploaded = uploaded;
        transfer.lastActivity = Clock::now();
    }
    return isCancelled(transfer) ? 1 : 0; // non-zero aborts the transfer
}

// Each road speaks its one protocol: any other scheme fails rather than reading a local
// file or talking FTP.
void restrictProtocol(CURL *easy, bool secure)
{
#if LIBCURL_VERSION_NUM >= 0x075500
    check(curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, secure ? "https" : "http"));
#else
    check(curl_easy_setopt(easy, CURLOPT_PROTOCOLS, secure ? CURLPROTO_HTTPS : CURLPROTO_HTTP));
#endif
}

// "HTTP/1.1 404 Not Found" -> "HTTP 404 Not Found".
QString statusMessage(long status, const QByteArray &statusLine)
{
    QString message = QStringLiteral("HTTP %1").arg(status);
    const QList<QByteArray> parts = statusLine.split(' ');
    if (parts.size() > 2) {
        const QByteArray reason = statusLine.mid(parts[0].size() + parts[1].size() + 2).trimmed();
        if (!reason.isEmpty())
            message += QLatin1Char(' ') + QString::fromLatin1(reason);
    }
    return message;
}

// The charset parameter of a Content-Type value, without quotes; empty when absent.
QByteArray charsetOf(const QByteArray &contentType)
{
    const QList<QByteArray> parameters = contentType.split(';');
    for (qsizetype i = 1; i < parameters.size(); ++i) {
        const QByteArray parameter = parameters[i].trimmed();
        const qsizetype equals = parameter.indexOf('=');
        if (equals < 0 || parameter.left(equals).trimmed().toLower() != "charset")
            continue;
        QByteArray value = parameter.mid(equals + 1).trimmed();
        if (value.size() >= 2 && value.startsWith('"') && value.endsWith('"'))
            value = value.mid(1, value.size() - 2);
        return value.trimmed();
    }
    return {};
}

QString decodeBody(const QByteArray &body, const QByteArray &contentType)
{
    const QByteArray charset = charsetOf(contentType);
    if (charset.isEmpty() || charset.toLower() == "utf-8")
        return QString::fromUtf8(body);
    QStringDecoder decoder(charset.constData());
    if (!decoder.isValid())
        return QString::fromUtf8(body);
    return decoder.decode(body);
}

void appendEncoded(QByteArray &out, const QString &text)
{
    static const char hex[] = "0123456789ABCDEF";
    for (const char c : text.toUtf8()) {
        const auto byte = static_cast<unsigned char>(c);
        if ((byte >= 'a' && byte <= 'z') || (byte >= 'A' && byte <= 'Z') ||
            (byte >= '0' && byte <= '9') || byte == '-' || byte == '.' || byte == '_') {
            out += c;
        } else if (byte == ' ') {
            out += '+';
        } else {
            out += '%';
            out += hex[byte >> 4];
            out += hex[byte & 0x0F];
        }
    }
}
} // namespace

QByteArray PostForm::encodeForm(const QStringList &fields)
{
    QByteArray out;
    for (const QString &field : fields) {
        if (!out.isEmpty())
            out += '&';
        const qsizetype equals = field.indexOf(QLatin1Char('='));
        appendEncoded(out, equals < 0 ? field : field.left(equals));
        out += '=';
        if (equals >= 0)
            appendEncoded(out, field.mid(equals + 1));
    }
    return out;
}

QString PostForm::post(const QString &address, const QStringList &fields,
                       const std::atomic<bool> *cancel) const
{
    check(initialiseCurl());
    const bool secure = address.toLower().startsWith(QLatin1String("https://"));
    const QByteArray url = address.toUtf8();
    const QByteArray form = encodeForm(fields);
    const QByteArray caFile = QFile::encodeName(m_caFile);

    EasyHandle easyHandle(curl_easy_init());
    MultiHandle multiHandle(curl_multi_init());
    if (!easyHandle || !multiHandle)
        throw Error("Could not create an HTTP client");
    CURL *const easy = easyHandle.get();

    // "Expect:" keeps libcurl from adding "Expect: 100-continue" to longer bodies,
    // which would cost a round trip and is no header of ours.
    HeaderList headers;
    const auto addHeader = [&headers](const char *header) {
        curl_slist *list = curl_slist_append(headers.get(), header);
        if (!list)
            throw Error("Out of memory");
        headers.release();
        headers.reset(list);
    };
    if (secure)
        addHeader("Connection: close");
    addHeader(secure ? SecureContentType : PlainContentType);
    addHeader("Expect:");

    Transfer transfer;
    transfer.cancel = cancel;
    char errorText[CURL_ERROR_SIZE] = {};
    check(curl_easy_setopt(easy, CURLOPT_ERRORBUFFER, errorText));
    check(curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L));
#if LIBCURL_VERSION_NUM >= 0x075700
    // Ending the call never waits for a name lookup still under way.
    check(curl_easy_setopt(easy, CURLOPT_QUICK_EXIT, 1L));
#endif
    check(curl_easy_setopt(easy, CURLOPT_URL, url.constData()));
    restrictProtocol(easy, secure);
    // HTTP/1.1 on both roads: HTTP/2 would drop the "Connection" header.
    check(curl_easy_setopt(easy, CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_1)));
    check(curl_easy_setopt(easy, CURLOPT_FOLLOWLOCATION, 0L));
    check(curl_easy_setopt(easy, CURLOPT_POST, 1L));
    check(curl_easy_setopt(easy, CURLOPT_POSTFIELDS, form.constData()));
    check(
        curl_easy_setopt(easy, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(form.size())));
    check(curl_easy_setopt(easy, CURLOPT_HTTPHEADER, headers.get()));
    check(curl_easy_setopt(easy, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(m_connectTimeoutMs)));
    check(curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, &receiveBody));
    check(curl_easy_setopt(easy, CURLOPT_WRITEDATA, &transfer));
    check(curl_easy_setopt(easy, CURLOPT_HEADERFUNCTION, &receiveHeader));
    check(curl_easy_setopt(easy, CURLOPT_HEADERDATA, &transfer));
    check(curl_easy_setopt(easy, CURLOPT_XFERINFOFUNCTION, &progress));
    check(curl_easy_setopt(easy, CURLOPT_XFERINFODATA, &transfer));
    check(curl_easy_setopt(easy, CURLOPT_NOPROGRESS, 0L));
    if (secure) {
        check(curl_easy_setopt(easy, CURLOPT_SSL_VERIFYPEER, 1L));
        check(curl_easy_setopt(easy, CURLOPT_SSL_VERIFYHOST, 2L));
        if (!caFile.isEmpty()) {
            check(curl_easy_setopt(easy, CURLOPT_CAINFO, caFile.constData()));
            // Not every TLS backend knows a CA folder; where one does, the given bundle
            // must stand alone.
            static_cast<void>(curl_easy_setopt(easy, CURLOPT_CAPATH, nullptr));
        } else {
#ifdef _WIN32
            check(curl_easy_setopt(easy, CURLOPT_SSL_OPTIONS,
                                   static_cast<long>(CURLSSLOPT_NATIVE_CA)));
#endif
        }
    }

    CURLM *const multi = multiHandle.get();
    enum class Ending
    {
        Transfer, // libcurl finished, well or not: result says which
        Silence,
        Deadline,
        Cancelled,
    };
    Ending ending = Ending::Transfer;
    CURLcode result = CURLE_OK;
    {
        const Attachment attachment(multi, easy);
        const auto response = std::chrono::milliseconds(m_responseTimeoutMs);
        const auto deadline =
            Clock::now() + std::chrono::milliseconds(m_connectTimeoutMs) + response;
        bool connected = false;
        for (;;) {
            int running = 0;
            check(curl_multi_perform(multi, &running));
            if (running == 0)
                break;
            if (isCancelled(transfer)) {
                ending = Ending::Cancelled;
                break;
            }
            const auto now = Clock::now();
            if (now >= deadline) {
                ending = Ending::Deadline;
                break;
            }
            // libcurl shortens the wait to its own connect deadline.
            auto wait = std::chrono::ceil<std::chrono::milliseconds>(deadline - now);
            if (cancel)
                wait = std::min(wait, std::chrono::milliseconds(CancelLatencyMs));
            if (!connected) {
                curl_off_t untilRequest = 0;
                curl_easy_getinfo(easy, CURLINFO_PRETRANSFER_TIME_T, &untilRequest);
                if (untilRequest > 0) {
                    connected = true;
                    transfer.lastActivity = std::max(transfer.lastActivity, now);
                }
            }
            if (connected) {
                const auto silent = now - transfer.lastActivity;
                if (silent >= response) {
                    ending = Ending::Silence;
                    break;
                }
                wait =
                    std::min(wait, std::chrono::ceil<std::chrono::milliseconds>(response - silent));
            }
            check(curl_multi_poll(multi, nullptr, 0, static_cast<int>(wait.count()), nullptr));
        }
        int queued = 0;
        while (CURLMsg *message = curl_multi_info_read(multi, &queued)) {
            if (message->msg == CURLMSG_DONE)
                result = message->data.result;
        }
    }

    if (ending == Ending::Silence) {
        throw Error(QStringLiteral("Operation timed out: no reply data for %1 milliseconds")
                        .arg(m_responseTimeoutMs)
                        .toStdString());
    }
    if (ending == Ending::Deadline) {
        throw Error(QStringLiteral("Operation timed out: no complete reply within %1 milliseconds")
                        .arg(m_connectTimeoutMs + m_responseTimeoutMs)
                        .toStdString());
    }
    if (ending == Ending::Cancelled ||
        (result == CURLE_ABORTED_BY_CALLBACK && isCancelled(transfer)))
        throw Error("Cancelled");
    if (transfer.tooLarge) {
        throw Error(
            QStringLiteral("Reply body larger than %1 bytes").arg(MaximumReplyBytes).toStdString());
    }
    if (result != CURLE_OK)
        throw Error(errorText[0] != '\0' ? errorText : curl_easy_strerror(result));

    long status = 0;
    curl_easy_getinfo(easy, CURLINFO_RESPONSE_CODE, &status);
    if (!secure && (status < 200 || status > 299))
        throw Error(statusMessage(status, transfer.statusLine).toStdString());

    const char *contentType = nullptr;
    curl_easy_getinfo(easy, CURLINFO_CONTENT_TYPE, &contentType);
    return decodeBody(transfer.body, QByteArray(contentType));
}
