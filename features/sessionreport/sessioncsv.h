#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QTimeZone>

class SessionRecord;

// The session record as CSV (RFC 4180: comma-separated, CR LF line ends, fields with a
// comma, a quote or a line break quoted with doubled quotes), UTF-8. One row a second:
// time in ISO 8601 with the zone's offset, peak in dBFS ("-inf" for silence), noisy
// and alarm as 1 or 0. The figures use the C locale, so every program reads them.
class SessionCsv
{
public:
    static QByteArray write(const SessionRecord &record, const QTimeZone &zone);

    static QString field(const QString &text);
    static QString line(const QStringList &fields);
    static QString timeText(qint64 msecsSinceEpoch, const QTimeZone &zone);
    static QString dbfsText(int peak);
};
