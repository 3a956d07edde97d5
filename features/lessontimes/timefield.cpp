#include "features/lessontimes/timefield.h"

#include <QLineEdit>
#include <QLocale>
#include <QRegularExpression>

namespace {
// The locale's short time format, without seconds where it has them (the C locale does).
QString minutesFormat()
{
    static const QRegularExpression seconds(QStringLiteral("[.:]?s+"));
    return QLocale().timeFormat(QLocale::ShortFormat).remove(seconds);
}

QTime wholeMinutes(QTime time)
{
    return time.isValid() ? QTime(time.hour(), time.minute()) : QTime(0, 0);
}
} // namespace

TimeField::TimeField(QTime time, QWidget *parent)
    : QAbstractSpinBox(parent), m_format(minutesFormat()), m_time(wholeMinutes(time))
{
    setCorrectionMode(QAbstractSpinBox::CorrectToPreviousValue);
    setAccelerated(true);
    lineEdit()->setText(QLocale().toString(m_time, m_format));
    connect(lineEdit(), &QLineEdit::textEdited, this, &TimeField::takeText);
    // Return or leaving the field shows the time held, in the locale's own way.
    connect(this, &QAbstractSpinBox::editingFinished, this,
            [this] { lineEdit()->setText(QLocale().toString(m_time, m_format)); });
}

void TimeField::setTime(QTime time)
{
    const QTime minutes = wholeMinutes(time);
    lineEdit()->setText(QLocale().toString(minutes, m_format));
    if (minutes == m_time)
        return;
    m_time = minutes;
    emit timeChanged(m_time);
}

QTime TimeField::parsed(const QString &text) const
{
    const QLocale locale;
    const QString trimmed = text.trimmed();
    QTime time = locale.toTime(trimmed, m_format);
    // 24-hour typing is understood in any locale, so "13:15" works where the locale
    // writes "1:15 PM".
    for (const char *format : {"H:mm", "H.mm", "Hmm"}) {
        if (time.isValid())
            break;
        time = locale.toTime(trimmed, QString::fromLatin1(format));
    }
    return time;
}

QValidator::State TimeField::validate(QString &input, int &) const
{
    if (parsed(input).isValid())
        return QValidator::Acceptable;
    // Anything short that could still become a time may be typed on.
    return input.size() <= m_format.size() + 4 ? QValidator::Intermediate : QValidator::Invalid;
}

void TimeField::fixup(QString &input) const
{
    const QTime time = parsed(input);
    input = QLocale().toString(time.isValid() ? time : m_time, m_format);
}

void TimeField::takeText()
{
    const QTime time = parsed(lineEdit()->text());
    if (!time.isValid() || time == m_time)
        return;
    m_time = time;
    emit timeChanged(m_time);
}

void TimeField::stepBy(int steps)
{
    // Steps land on the five-minute grid and wrap round midnight.
    const int now = m_time.msecsSinceStartOfDay() / 60000;
    int next = steps > 0 ? (now / StepMinutes + steps) * StepMinutes
                         : ((now + StepMinutes - 1) / StepMinutes + steps) * StepMinutes;
    next = ((next % 1440) + 1440) % 1440;
    setTime(QTime(next / 60, next % 60));
    selectAll();
}

QAbstractSpinBox::StepEnabled TimeField::stepEnabled() const
{
    return StepUpEnabled | StepDownEnabled;
}
