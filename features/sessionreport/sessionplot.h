#pragma once

#include <QWidget>

class SessionRecord;

// The session's level over time: the highest peak of each second in dBFS from the
// bottom of 16-bit sound (about −90 dBFS) to full scale, the threshold as a line across
// and the alarms as marks along the top. Drawn with QPainter; where the seconds
// outnumber the pixels, each pixel column shows the loudest of its seconds.
class SessionPlot : public QWidget
{
    Q_OBJECT
public:
    static constexpr double BottomDbfs = -90.0;

    SessionPlot(const SessionRecord &record, QWidget *parent = nullptr);

    void setThresholdDbfs(double dbfs);
    // Texts for the threshold and alarm legend, in the interface language.
    void setLegend(const QString &threshold, const QString &alarm);

    QSize sizeHint() const override { return {560, 220}; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    int yOf(double dbfs, const QRect &area) const;

    const SessionRecord &m_record;
    double m_thresholdDbfs = 0.0;
    QString m_thresholdText;
    QString m_alarmText;
};
