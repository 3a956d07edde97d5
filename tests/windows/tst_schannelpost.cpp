// The form post on Windows' own TLS (libcurl on Schannel), against the local web server
// that scripts/test-windows.sh starts on the Linux side with a certificate of its own.
#include "update/postform.h"

#include <QTest>

// <windows.h> first: the other Windows headers rely on its types.
#include <windows.h>

namespace {
// The reply, or "error: " and the client's message.
QString replyOrError(const PostForm &form, const QString &address)
{
    try {
        return form.post(address, {"ProductName=Murmlet", "Note=grüß dich"});
    } catch (const PostForm::Error &error) {
        return QString("error: ") + error.what();
    }
}

// Wine exports its version from ntdll; Windows does not.
bool underWine()
{
    const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    return ntdll && GetProcAddress(ntdll, "wine_get_version");
}
} // namespace

class TestSchannelPost : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void postsOverSchannel();
    void refusesACertificateTheSystemDoesNotTrust();
    void postsPlainHttp();

private:
    QString m_https; // "https://127.0.0.1:port"
    QString m_http;  // "http://127.0.0.1:port"
    QString m_ca;    // the server's certificate, which is its own authority
};

void TestSchannelPost::initTestCase()
{
    m_https = qEnvironmentVariable("MURMLET_TLS_BASE");
    m_http = qEnvironmentVariable("MURMLET_PLAIN_BASE");
    m_ca = qEnvironmentVariable("MURMLET_TLS_CA");
    if (m_https.isEmpty() || m_http.isEmpty() || m_ca.isEmpty())
        QSKIP("scripts/test-windows.sh starts the web server");
}

void TestSchannelPost::postsOverSchannel()
{
    const PostForm form(3000, 3000, m_ca);
    QCOMPARE(replyOrError(form, m_https + "/php/check2.php"), QString("Schannel reply ü"));
}

void TestSchannelPost::refusesACertificateTheSystemDoesNotTrust()
{
    if (underWine())
        QSKIP("Wine's Schannel accepts any certificate when no CA file is given; Windows "
              "checks it against the system's store");
    const PostForm form(3000, 3000); // the system's certificate store
    const QString reply = replyOrError(form, m_https + "/php/check2.php");
    QVERIFY2(reply.startsWith("error: "), qPrintable(reply));
    qInfo("%s", qPrintable(reply));
}

void TestSchannelPost::postsPlainHttp()
{
    const PostForm form(3000, 3000);
    QCOMPARE(replyOrError(form, m_http + "/php/check2.php"), QString("Schannel reply ü"));
}

QTEST_GUILESS_MAIN(TestSchannelPost)
#include "tst_schannelpost.moc"
