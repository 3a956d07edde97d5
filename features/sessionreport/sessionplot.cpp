#include "features/sessionreport/sessionplot.h"

#include "monitor/decibels.h"
#include "session/sessionrecord.h"

#include <QDateTime>
#include <QPainter>
#include <QPainterPath>
#include <cmath>

namespace {
const QColor Level(0, 140, 0);
const QColor Threshold(255, 0, 0);
const QColor Alarm(200, 0, 0);
} // namespace

SessionPlot::SessionPlot(const SessionRecord &record, QWidget *parent)
    : QWidget(parent), m_record(record)
{
    setObjectName(QStringLiteral("SessionPlot"));
    setMinimumSize(320, 160);
}

void SessionPlot::setThresholdDbfs(double dbfs)
{
    m_thresholdDbfs = dbfs;
    update();
}

void SessionPlot::setLegend(const QString &threshold, const QString &alarm)
{
    m_thresholdText = threshold;
    m_alarmText = alarm;
    update();
}

int SessionPlot::yOf(double dbfs, const QRect &area) const
{
    const double clamped = std::isfinite(dbfs) ? qBound(BottomDbfs, dbfs, 0.0) : BottomDbfs;
    return area.top() + int(std::lround((clamped / BottomDbfs) * area.height()));
}

void SessionPlot::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.fillRect(rect(), Qt::white);
    const QFontMetrics metrics = fontMetrics();
    const int left = metrics.horizontalAdvance(QStringLiteral("−90 dBFS")) + 8;
    const QRect area(left, metrics.height() + 6, width() - left - 8,
                     height() - 2 * metrics.height() - 14);
    if (area.width() < 2 || area.height() < 2)
        return;

    // The dBFS grid every 10 dB, labelled every 30 dB.
    for (int db = 0; db >= int(BottomDbfs); db -= 10) {
        const int y = yOf(db, area);
        painter.setPen(QColor(225, 225, 225));
        painter.drawLine(area.left(), y, area.right(), y);
        if (db % 30 == 0) {
            painter.setPen(palette().color(QPalette::Text));
            painter.drawText(QRect(0, y - metrics.height() / 2, left - 4, metrics.height()),
                             Qt::AlignRight | Qt::AlignVCenter,
                             (db < 0 ? QStringLiteral("\u2212") : QString()) +
                                 QString::number(-db) + QStringLiteral(" dBFS"));
        }
    }
    painter.setPen(palette().color(QPalette::Mid));
    painter.drawRect(area.adjusted(0, 0, -1, -1));

    const int rows = m_record.size();
    if (rows > 0) {
        // The seconds spread over the width; each pixel column shows the loudest of the
        // seconds that fall into it, and marks an alarm among them at the top.
        QPainterPath levels;
        QList<int> alarmColumns;
        const int columns = area.width();
        for (int column = 0; column < columns; ++column) {
            const int begin = int(qint64(column) * rows / columns);
            const int end = int(qint64(column + 1) * rows / columns);
            if (begin == end)
                continue; // fewer seconds than columns: none starts here
            int peak = 0;
            bool alarm = false;
            for (int row = begin; row < end; ++row) {
                peak = qMax(peak, int(m_record.at(row).peak));
                alarm = alarm || m_record.at(row).alarm;
            }
            const QPointF point(area.left() + column, yOf(Decibels::dbfsOfPeak(peak), area));
            if (begin == 0)
                levels.moveTo(point);
            else
                levels.lineTo(point);
            if (alarm)
                alarmColumns << area.left() + column;
        }
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(QPen(Level, 1.2));
        painter.drawPath(levels);
        painter.setRenderHint(QPainter::Antialiasing, false);
        painter.setPen(QPen(Alarm, 2));
        for (const int x : std::as_const(alarmColumns))
            painter.drawLine(x, area.top(), x, area.top() + 8);

        // The first and the last second under the plot.
        painter.setPen(palette().color(QPalette::Text));
        const QRect below(area.left(), area.bottom() + 4, area.width(), metrics.height());
        auto timeText = [this](qint64 time) {
            return locale().toString(QDateTime::fromMSecsSinceEpoch(time).time(),
                                     QLocale::ShortFormat);
        };
        painter.drawText(below, Qt::AlignLeft, timeText(m_record.at(0).time));
        painter.drawText(below, Qt::AlignRight, timeText(m_record.at(rows - 1).time));
    }

    // The threshold across, dashed, with the legend at the top.
    painter.setPen(QPen(Threshold, 1, Qt::DashLine));
    const int y = yOf(m_thresholdDbfs, area);
    painter.drawLine(area.left(), y, area.right(), y);
    painter.setPen(palette().color(QPalette::Text));
    const QRect above(area.left(), 2, area.width(), metrics.height());
    painter.drawText(above, Qt::AlignLeft, QStringLiteral("- - ") + m_thresholdText);
    painter.setPen(Alarm);
    painter.drawText(above, Qt::AlignRight, QStringLiteral("| ") + m_alarmText);
}
