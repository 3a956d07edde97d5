#pragma once

#include <QColor>
#include <QWidget>

// The noise meter: a left-aligned bar over a white background in a one-pixel frame.
// It repaints only when its colour or its whole percentage changes.
class NoiseMeter : public QWidget
{
    Q_OBJECT
public:
    explicit NoiseMeter(QWidget *parent = nullptr);

    void setValue(qint64 value);
    void setBarColor(const QColor &color);

    qint64 value() const { return m_value; }
    int percent() const { return m_percent; }
    QColor barColor() const { return m_color; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    qint64 m_value = 0;
    int m_percent = 0;
    QColor m_color = QColor(0, 255, 0);
};
