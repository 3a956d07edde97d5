#include "app/noisemeter.h"

#include "monitor/noisedetector.h"

#include <QPainter>

NoiseMeter::NoiseMeter(QWidget *parent) : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void NoiseMeter::setValue(qint64 value)
{
    m_value = NoiseDetector::meterValueOf(value);
    const int percent = NoiseDetector::meterPercent(m_value);
    if (percent != m_percent) {
        m_percent = percent;
        update();
    }
}

void NoiseMeter::setBarColor(const QColor &color)
{
    if (color != m_color) {
        m_color = color;
        update();
    }
}

void NoiseMeter::setSignalLost(bool lost)
{
    if (lost != m_signalLost) {
        m_signalLost = lost;
        update();
    }
}

void NoiseMeter::setFlashLit(bool lit)
{
    if (lit != m_flashLit) {
        m_flashLit = lit;
        update();
    }
}

void NoiseMeter::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    // Every colour as it is, or inverted while the visual alarm is lit.
    const auto shown = [this](const QColor &color) {
        if (!m_flashLit)
            return color;
        const QColor rgb = color.toRgb();
        return QColor(255 - rgb.red(), 255 - rgb.green(), 255 - rgb.blue());
    };
    const QRect frame = rect().adjusted(0, 0, -1, -1);
    if (m_signalLost) {
        painter.fillRect(rect(), shown(palette().color(QPalette::Disabled, QPalette::Window)));
        painter.setPen(shown(palette().color(QPalette::Disabled, QPalette::WindowText)));
        painter.drawRect(frame);
        return;
    }
    painter.fillRect(rect(), shown(Qt::white));
    painter.setPen(shown(palette().color(QPalette::Mid)));
    painter.drawRect(frame);
    const QRect inner = rect().adjusted(1, 1, -1, -1);
    const int width = inner.width() * m_percent / 100;
    if (width > 0)
        painter.fillRect(QRect(inner.left(), inner.top(), width, inner.height()), shown(m_color));
}
