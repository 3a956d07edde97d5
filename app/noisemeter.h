#pragma once

#include <QColor>
#include <QWidget>

// The noise meter: a left-aligned bar over a white background in a one-pixel frame.
// It repaints only when its colour, its whole percentage or its signal state changes.
// Without a signal (no sound coming in) it is greyed and shows no bar.
class NoiseMeter : public QWidget
{
    Q_OBJECT
public:
    explicit NoiseMeter(QWidget *parent = nullptr);

    void setValue(qint64 value);
    void setBarColor(const QColor &color);
    void setSignalLost(bool lost);

    qint64 value() const { return m_value; }
    int percent() const { return m_percent; }
    QColor barColor() const { return m_color; }
    bool isSignalLost() const { return m_signalLost; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    qint64 m_value = 0;
    int m_percent = 0;
    QColor m_color = QColor(0, 255, 0);
    bool m_signalLost = false;
};
