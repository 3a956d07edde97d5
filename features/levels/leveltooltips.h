#pragma once

#include <QObject>
#include <QString>
#include <functional>

class ListeningSession;
class QSlider;
class QWidget;
class Settings;

// Levels in decibels where the user points: the meter's tooltip adds the level heard
// now, the threshold bar's the level each position stands for, in dBFS and, once the
// user has calibrated, in dB beside it. While the bar is dragged each position shows
// its level at once.
class LevelTooltips : public QObject
{
    Q_OBJECT
public:
    using Translator = std::function<QString(const QString &)>;

    LevelTooltips(const ListeningSession &session, const Settings &settings, Translator translate,
                  QWidget *meter, QSlider *thresholdBar);

    // "−30.0 dBFS · 62.0 dB (calibrated)": the level of the newest reading.
    QString meterText() const;
    // "5: −32.7 dBFS": the threshold position and the level it stands for.
    QString thresholdText() const;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QString levelText(double dbfs) const;

    const ListeningSession &m_session;
    const Settings &m_settings;
    Translator m_translate;
    QWidget *m_meter;
    QSlider *m_thresholdBar;
};
