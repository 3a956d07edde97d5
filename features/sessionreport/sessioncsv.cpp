#include "features/sessionreport/sessioncsv.h"

#include "monitor/decibels.h"
#include "session/sessionrecord.h"

#include <QDateTime>
#include <QLocale>
#include <cmath>

QByteArray SessionCsv::write(const SessionRecord &record, const QTimeZone &zone)
{
    QString text = line({QStringLiteral("time"), QStringLiteral("peak_dbfs"),
                         QStringLiteral("noisy"), QStringLiteral("alarm")});
    for (int row = 0; row < record.size(); ++row) {
        const SessionRecord::Second &second = record.at(row);
        text += line({timeText(second.time, zone), dbfsText(second.peak),
                      second.noisy ? QStringLiteral("1") : QStringLiteral("0"),
                      second.alarm ? QStringLiteral("1") : QStringLiteral("0")});
    }
    return text.toUtf8();
}

QString SessionCsv::field(const QString &text)
{
    const bool quoted = text.contains(QLatin1Char(',')) || text.contains(QLatin1Char('"')) ||
                        text.contains(QLatin1Char('\r')) || text.contains(QLatin1Char('\n'));
    if (!quoted)
        return text;
    QString doubled = text;
    doubled.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + doubled + QLatin1Char('"');
}

QString SessionCsv::line(const QStringList &fields)
{
    QStringList quoted;
    for (const QString &text : fields)
        quoted << field(text);
    return quoted.join(QLatin1Char(',')) + QStringLiteral("\r\n");
}

QString SessionCsv::timeText(qint64 msecsSinceEpoch, const QTimeZone &zone)
{
    const QDateTime time = QDateTime::fromMSecsSinceEpoch(msecsSinceEpoch, zone);
    // Whole seconds with the offset, "2026-03-05T14:03:07+01:00"; UTC ends in "Z".
    const QDateTime atOffset =
        time.toOffsetFromUtc(time.offsetFromUtc()).addMSecs(-(msecsSinceEpoch % 1000));
    return atOffset.toString(Qt::ISODate);
}

QString SessionCsv::dbfsText(int peak)
{
    const double dbfs = Decibels::dbfsOfPeak(peak);
    if (std::isinf(dbfs))
        return QStringLiteral("-inf");
    // Rounded first, so that a peak just below full scale reads 0.0 rather than -0.0.
    const double rounded = std::round(dbfs * 10.0) / 10.0;
    return QLocale::c().toString(rounded == 0.0 ? 0.0 : rounded, 'f', 1);
}
