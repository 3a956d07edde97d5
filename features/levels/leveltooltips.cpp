#include "features/levels/leveltooltips.h"

#include "base/settings.h"
#include "features/levels/calibration.h"
#include "monitor/decibels.h"
#include "session/listeningsession.h"

#include <QCursor>
#include <QHelpEvent>
#include <QSlider>
#include <QToolTip>
#include <utility>

LevelTooltips::LevelTooltips(const ListeningSession &session, const Settings &settings,
                             Translator translate, QWidget *meter, QSlider *thresholdBar)
    : QObject(meter), m_session(session), m_settings(settings), m_translate(std::move(translate)),
      m_meter(meter), m_thresholdBar(thresholdBar)
{
    meter->installEventFilter(this);
    thresholdBar->installEventFilter(this);
    // The session hears of the new position first: its window forwards it on the same
    // signal, connected earlier.
    connect(thresholdBar, &QSlider::valueChanged, this, [this] {
        if (m_thresholdBar->isSliderDown())
            QToolTip::showText(QCursor::pos(),
                               m_thresholdBar->toolTip() + QLatin1Char('\n') + thresholdText(),
                               m_thresholdBar);
    });
}

bool LevelTooltips::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() != QEvent::ToolTip || (watched != m_meter && watched != m_thresholdBar))
        return QObject::eventFilter(watched, event);
    auto *widget = static_cast<QWidget *>(watched);
    const QString level = watched == m_meter ? meterText() : thresholdText();
    QToolTip::showText(static_cast<QHelpEvent *>(event)->globalPos(),
                       widget->toolTip() + QLatin1Char('\n') + level, widget);
    return true;
}

QString LevelTooltips::levelText(double dbfs) const
{
    return Decibels::levelText(dbfs, Calibration::current(m_settings),
                               m_translate(QStringLiteral("dB (calibrated)")), QLocale());
}

QString LevelTooltips::meterText() const
{
    return levelText(Decibels::dbfsOfLevel(m_session.record().latestLevel()));
}

QString LevelTooltips::thresholdText() const
{
    const int position = m_session.threshold();
    return QStringLiteral("%1: ").arg(position) + levelText(Decibels::thresholdDbfs(position));
}
