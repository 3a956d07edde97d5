// libFuzzer target: any bytes as the update service's reply. The first byte says which
// roads fail (bit 0: https throws, bit 1: http throws too); the rest is the reply body.
// One whole check runs against a fresh store in a private folder. Whatever the reply,
// the check finishes; a version is announced only from a well-formed reply (a fourth
// line "<result>0</result>" or "<result>1</result>", not starting with "ERROR") and only
// when it is numeric and not the running one. The tag and number rules are checked on
// their own too.

#include "update/updatecheck.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cstdint>
#include <cstdlib>
#include <stdexcept>

namespace {
const QString AppVersion = QStringLiteral("1.1");

QStringList replyLines(const QString &reply)
{
    QString text = reply;
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return text.split(QLatin1Char('\n'));
}

// A 32-bit signed decimal number once its dots are gone: an independent reading.
bool expectedNumeric(const QString &version)
{
    QString digits = version;
    digits.remove(QLatin1Char('.'));
    qsizetype i = 0;
    bool negative = false;
    if (!digits.isEmpty() && (digits[0] == QLatin1Char('+') || digits[0] == QLatin1Char('-'))) {
        negative = digits[0] == QLatin1Char('-');
        i = 1;
    }
    if (i == digits.size())
        return false;
    long long value = 0;
    for (; i < digits.size(); ++i) {
        const char16_t c = digits[i].unicode();
        if (c < u'0' || c > u'9')
            return false;
        value = value * 10 + (c - u'0');
        if (value > 2147483648LL)
            return false;
    }
    return negative || value <= 2147483647LL;
}

void checkTag(const QString &line)
{
    for (const QString tag : {QStringLiteral("result"), QStringLiteral("Version")}) {
        const QString open = QLatin1Char('<') + tag.toLower() + QLatin1Char('>');
        const QString close = QStringLiteral("</") + tag.toLower() + QLatin1Char('>');
        const QString value = UpdateCheck::extractTag(line, tag);
        if (!value.isEmpty() && open + value + close != line)
            std::abort(); // a value that is not what the tags enclose
        if (!line.isEmpty() && UpdateCheck::extractTag(open + line + close, tag) != line)
            std::abort(); // an enclosed value that is not found
    }
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 1)
        return 0;
    // In memory where the system has it: every write of the store is synced to disk.
    static QTemporaryDir folder((QDir(QStringLiteral("/dev/shm")).exists()
                                     ? QStringLiteral("/dev/shm")
                                     : QDir::tempPath()) +
                                QStringLiteral("/murmlet-fuzz-XXXXXX"));
    const QString storePath = folder.filePath(QStringLiteral("store.conf"));
    QFile::remove(storePath); // every run starts with no record of earlier checks

    const int failingRoads = data[0] & 3;
    const QString reply = QString::fromUtf8(reinterpret_cast<const char *>(data + 1),
                                            static_cast<qsizetype>(size - 1));
    UpdateCheckSetup setup;
    setup.service.httpsBase = QStringLiteral("https://127.0.0.1");
    setup.service.httpBase = QStringLiteral("http://127.0.0.1");
    setup.service.post = [&](const QString &address, const QStringList &,
                             const std::atomic<bool> *) {
        const bool secure = address.startsWith(QLatin1String("https:"));
        if ((secure && failingRoads >= 1) || (!secure && failingRoads >= 2))
            throw std::runtime_error("refused");
        return reply;
    };
    setup.openStore = [&] { return UpdateStore::openFile(storePath); };
    setup.today = [] { return QStringLiteral("10.12.26"); };
    setup.machineId = [] { return std::optional<QString>(QStringLiteral("id")); };
    setup.localeCode = [] { return QStringLiteral("en"); };
    setup.osDescription = [] { return QStringLiteral("Linux"); };

    auto state = std::make_shared<CheckState>();
    UpdateCheck(std::move(setup), QStringLiteral("Murmlet"), AppVersion, state).run();

    const QStringList lines = replyLines(reply);
    if (!state->checkDone.load())
        std::abort();
    const bool answered = failingRoads < 2;
    const bool wellFormed = answered && !reply.startsWith(QLatin1String("ERROR")) &&
                            (lines.value(3) == QLatin1String("<result>0</result>") ||
                             lines.value(3) == QLatin1String("<result>1</result>"));
    if (state->checkFailed == wellFormed)
        std::abort(); // a reply judged against the rules
    if (state->newVersionAvailable && (!wellFormed || state->latestVersion == AppVersion ||
                                       !expectedNumeric(state->latestVersion)))
        std::abort(); // an announcement the reply does not carry
    if (wellFormed &&
        state->latestVersion != UpdateCheck::extractTag(lines.value(0), QStringLiteral("version")))
        std::abort();

    for (qsizetype i = 0; i < lines.size() && i < 8; ++i) {
        if (UpdateCheck::isNumericVersion(lines[i]) != expectedNumeric(lines[i]))
            std::abort();
        checkTag(lines[i]);
    }
    return 0;
}
