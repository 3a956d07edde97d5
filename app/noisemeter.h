#pragma once

#include <QColor>
#include <QWidget>

// The noise meter: a left-aligned bar over a white background in a one-pixel frame.
// It repaints only when its colour, its whole percentage or its signal state changes.
// Without a signal (no sound coming in) it is greyed and shows no bar. While the visual
// alarm is lit, the whole gauge shows in inverted colours (white turns black, the red bar
// cyan, the green one magenta), as a terminal's visual bell inverts its screen: whatever
// the bar shows, the flash stands out, also against a full red bar in a noisy room.
class NoiseMeter : public QWidget
{
    Q_OBJECT
public:
    explicit NoiseMeter(QWidget *parent = nullptr);

    void setValue(qint64 value);
    void setBarColor(const QColor &color);
    void setSignalLost(bool lost);
    // The session's visual alarm: lit or dark (ListeningSession::flashChanged).
    void setFlashLit(bool lit);

    qint64 value() const { return m_value; }
    int percent() const { return m_percent; }
    QColor barColor() const { return m_color; }
    bool isSignalLost() const { return m_signalLost; }
    bool isFlashLit() const { return m_flashLit; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    qint64 m_value = 0;
    int m_percent = 0;
    QColor m_color = QColor(0, 255, 0);
    bool m_signalLost = false;
    bool m_flashLit = false;
};
