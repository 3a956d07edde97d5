#include "update/updatecheck.h"

#include "update/postform.h"
#include "update/systeminfo.h"

#include <QDate>
#include <QLocale>

// The worker may still run while the program ends, so this file keeps no objects with
// static storage that have destructors: its constant texts are literals.
namespace {
const char *const CheckPath = "/php/check2.php";
const char *const InvalidReply = "INVALIDSERVERRESPONSE";

// A line ends at CR, LF or CR LF.
QStringList replyLines(const QString &reply)
{
    QString text = reply;
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"))
        .replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return text.split(QLatin1Char('\n'));
}

QString messageOf(const std::exception &error)
{
    return QString::fromUtf8(error.what());
}
} // namespace

UpdateCheckSetup UpdateCheckSetup::forHost(const QString &host, const QString &company,
                                           const QString &product)
{
    UpdateCheckSetup setup;
    setup.service = WebService::atHost(host, PostForm::updateCheck());
    setup.openStore = [company, product] { return UpdateStore::openNative(company, product); };
    setup.today = [] {
        return QLocale::system().toString(QDate::currentDate(), QLocale::ShortFormat);
    };
    setup.machineId = &SystemInfo::machineId;
    setup.localeCode = &SystemInfo::localeCode;
    setup.osDescription = &SystemInfo::osDescription;
    return setup;
}

UpdateCheck::UpdateCheck(UpdateCheckSetup setup, QString appTitle, QString appVersion,
                         std::shared_ptr<CheckState> state)
    : m_setup(std::move(setup)), m_appTitle(std::move(appTitle)),
      m_appVersion(std::move(appVersion)), m_state(std::move(state))
{
}

void UpdateCheck::run() noexcept
{
    CheckState &state = *m_state;
    state.checkDone.store(false, std::memory_order_release);
    try {
        try {
            perform(state);
        } catch (const std::exception &error) {
            state.newVersionAvailable = false;
            state.logError(QStringLiteral("Exception Error:\r") + messageOf(error));
        } catch (...) {
            state.newVersionAvailable = false;
            state.logError(QStringLiteral("Unknown Error:\rnot a standard exception"));
        }
    } catch (...) {
        state.checkFailed = true; // even the log failed (out of memory)
    }
    state.checkDone.store(true, std::memory_order_release); // nothing is written after this
}

void UpdateCheck::perform(CheckState &state)
{
    state.clearErrors();

    QString guid;
    try {
        const std::optional<QString> id = m_setup.machineId();
        if (id)
            guid = *id;
        else
            state.logError(QStringLiteral("Error: GUID generate problem!"));
    } catch (...) {
        state.logError(QStringLiteral("Error: GUID generate problem!"));
    }

    bool usable = false;
    try {
        state.store = m_setup.openStore();
        usable = state.store && state.store->isUsable();
    } catch (...) {
    }
    if (!usable)
        state.logError(UpdateStore::openErrorText());
    const auto readString = [&](const char *name) {
        return usable ? state.store->readString(QString::fromLatin1(name)) : QString();
    };
    const auto readInteger = [&](const char *name, int fallback) {
        return usable ? state.store->readInteger(QString::fromLatin1(name), fallback) : fallback;
    };
    const auto write = [&](const char *name, const QString &value) {
        if (state.store)
            state.store->writeString(QString::fromLatin1(name), value);
    };

    const QString previousDay = readString("LastUpdateCheck");
    const int previousCount = readInteger("LastUpdateCheckCount", 0);
    const QString installed = readString("InstalledVersion");

    int howMany = qMax(0, readInteger("HowMany", 0));
    if (installed != m_appVersion)
        howMany = 0; // a new version counts its runs afresh
    ++howMany;
    write("HowMany", QString::number(howMany));
    write("InstalledVersion", m_appVersion);

    const int notificationsDefault = m_setup.presetNotifications.value_or(true) ? 1 : 0;
    state.showUpdateSetting = m_setup.lockedNotifications
                                  ? (*m_setup.lockedNotifications ? 1 : 0)
                                  : readInteger("ShowUpdate", notificationsDefault);
    if (state.showUpdateSetting == 0)
        return;
    const QString today = m_setup.today();
    if (previousDay == today && previousCount >= RepliesPerDay)
        return; // the service has answered often enough today
    if (state.cancelRequested.load(std::memory_order_acquire)) {
        state.logError(QStringLiteral("Cancelled"));
        return;
    }

    try {
        const QStringList fields{
            QStringLiteral("cmd=check"),
            QStringLiteral("appname=") + m_appTitle,
            QStringLiteral("version=") + m_appVersion,
            QStringLiteral("os=") + m_setup.osDescription(),
            QStringLiteral("local=") + m_setup.localeCode(),
            QStringLiteral("guid=") + guid,
            QStringLiteral("howmany=") + QString::number(howMany),
        };
        const WebService::Reply answer =
            m_setup.service.send(QString::fromLatin1(CheckPath), fields, &state.cancelRequested);
        if (answer.secureError) {
            state.logError(QStringLiteral("HTTPS Response:\r") + *answer.secureError);
            if (answer.plainError)
                state.logError(QStringLiteral("HTTP Response:\r") + *answer.plainError);
            else
                state.clearErrors(); // an answer after all: earlier failures no longer count
        }
        const QString reply = answer.body.value_or(QString());
        const QStringList lines = replyLines(reply);

        if (reply.startsWith(QLatin1String("ERROR")))
            state.logError(QString::fromLatin1(InvalidReply));
        if (!state.checkFailed) {
            const QString result = extractTag(lines.value(3), QStringLiteral("result"));
            if (result != QLatin1String("0") && result != QLatin1String("1"))
                state.logError(QString::fromLatin1(InvalidReply));
        }
        if (state.checkFailed)
            return;

        const int count = previousDay == today ? previousCount + 1 : 1;
        try {
            write("LastUpdateCheck", today);
            write("LastUpdateCheckCount", QString::number(count));
        } catch (...) {
        }
        state.latestVersion = extractTag(lines.value(0), QStringLiteral("version"));
        state.downloadUrl = extractTag(lines.value(1), QStringLiteral("url"));
        // A lower version is announced too; only the running one is not. The day's fifth
        // answer is recorded but not announced.
        state.newVersionAvailable =
            state.latestVersion != m_appVersion && isNumericVersion(state.latestVersion) &&
            state.showUpdateSetting == 1 && (previousDay != today || count < RepliesPerDay);
    } catch (const std::exception &error) {
        state.newVersionAvailable = false;
        state.logError(QStringLiteral("Exception Error:\r") + messageOf(error));
    }
}

QString UpdateCheck::extractTag(const QString &line, const QString &tag)
{
    if (line.isEmpty() || tag.isEmpty())
        return {};
    const QString open = QLatin1Char('<') + tag.toLower() + QLatin1Char('>');
    const QString close = QStringLiteral("</") + tag.toLower() + QLatin1Char('>');
    if (line.size() < open.size() + close.size() || !line.startsWith(open) || !line.endsWith(close))
        return {};
    return line.mid(open.size(), line.size() - open.size() - close.size());
}

bool UpdateCheck::isNumericVersion(const QString &version)
{
    QString digits = version;
    digits.remove(QLatin1Char('.'));
    if (digits.isEmpty())
        return false;
    qsizetype i = digits[0] == QLatin1Char('+') || digits[0] == QLatin1Char('-') ? 1 : 0;
    if (i == digits.size())
        return false;
    for (; i < digits.size(); ++i) {
        if (digits[i] < QLatin1Char('0') || digits[i] > QLatin1Char('9'))
            return false;
    }
    bool ok = false;
    digits.toInt(&ok, 10);
    return ok;
}
