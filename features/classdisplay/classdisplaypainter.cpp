#include "features/classdisplay/classdisplaypainter.h"

#include "features/classdisplay/classdisplaycolours.h"

#include <QFontMetrics>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <QtMath>

namespace {
using State = ClassDisplayModel::State;

// The largest bold font up to `pixels` high in which `text` fits `width`.
QFont fitted(QFont font, const QString &text, int pixels, int width)
{
    font.setBold(true);
    font.setPixelSize(qMax(1, pixels));
    const int wide = QFontMetrics(font).horizontalAdvance(text);
    if (wide > width && wide > 0)
        font.setPixelSize(qMax(1, pixels * width / wide));
    return font;
}

void drawText(QPainter &painter, const QRect &box, const QString &text, const QFont &font,
              Qt::Alignment alignment)
{
    painter.setFont(fitted(font, text, box.height() * 8 / 10, box.width()));
    painter.drawText(box, (alignment | Qt::AlignVCenter).toInt(), text);
}

QPolygonF regularPolygon(const QRectF &box, int corners, double turn)
{
    QPolygonF polygon;
    const double radius = box.width() / 2;
    for (int i = 0; i < corners; ++i) {
        const double angle = turn + 2 * M_PI * i / corners;
        polygon << box.center() + QPointF(radius * std::cos(angle), radius * std::sin(angle));
    }
    return polygon;
}

// The state's shape, so the state reads without its colour: a disc when quiet, a
// warning triangle when noisy, a stop sign at the alarm, a struck-through ring without
// sound.
void drawSymbol(QPainter &painter, const QRectF &box, State state, const QColor &ink,
                const QColor &paper)
{
    painter.setPen(Qt::NoPen);
    painter.setBrush(ink);
    switch (state) {
    case State::Quiet:
        painter.drawEllipse(box);
        return;
    case State::Noisy: {
        const QPolygonF triangle{
            {box.center().x(), box.top()}, box.bottomRight(), box.bottomLeft()};
        painter.drawPolygon(triangle);
        const double bar = box.width() / 9;
        painter.setBrush(paper);
        painter.drawRect(QRectF(box.center().x() - bar / 2, box.top() + box.height() * 0.35, bar,
                                box.height() * 0.33));
        painter.drawEllipse(QPointF(box.center().x(), box.top() + box.height() * 0.82), bar * 0.6,
                            bar * 0.6);
        return;
    }
    case State::Alarm: {
        painter.drawPolygon(regularPolygon(box, 8, M_PI / 8));
        const double bar = box.height() / 7;
        painter.setBrush(paper);
        painter.drawRect(QRectF(box.left() + box.width() * 0.2, box.center().y() - bar / 2,
                                box.width() * 0.6, bar));
        return;
    }
    case State::Idle:
    case State::SignalLost:
        break;
    }
    const double line = box.width() / 10;
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(ink, line));
    const QRectF ring = box.adjusted(line / 2, line / 2, -line / 2, -line / 2);
    painter.drawEllipse(ring);
    painter.drawLine(QPointF(ring.left(), ring.center().y()),
                     QPointF(ring.right(), ring.center().y()));
}

// The level as a bar in a frame, the threshold as a line across it with a pointer above
// and below; the line takes the colour that is not under it.
void drawGauge(QPainter &painter, const QRect &box, const ClassDisplayModel::Look &look,
               const QColor &ink, const QColor &paper)
{
    const int line = qMax(2, box.height() / 12);
    const QRect frame = box.adjusted(line / 2, line / 2, -line / 2, -line / 2);
    painter.setPen(QPen(ink, line, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(frame);
    const QRect inner = box.adjusted(line * 2, line * 2, -line * 2, -line * 2);
    const int filled = inner.width() * qBound(0, look.levelPercent, 100) / 100;
    if (filled > 0)
        painter.fillRect(QRect(inner.left(), inner.top(), filled, inner.height()), ink);

    const int x = inner.left() + inner.width() * qBound(0, look.thresholdPercent, 100) / 100;
    const QColor mark = look.levelPercent > look.thresholdPercent ? paper : ink;
    painter.fillRect(QRect(x - line / 2, inner.top(), line, inner.height()), mark);
    const int pointer = box.height() / 4;
    painter.setPen(Qt::NoPen);
    painter.setBrush(ink);
    painter.drawPolygon(QPolygon{{x, box.top() - line},
                                 {x - pointer, box.top() - line - pointer},
                                 {x + pointer, box.top() - line - pointer}});
    painter.drawPolygon(QPolygon{{x, box.bottom() + line},
                                 {x - pointer, box.bottom() + line + pointer},
                                 {x + pointer, box.bottom() + line + pointer}});
}
} // namespace

void ClassDisplayPainter::paint(QPainter &painter, const QRect &area,
                                const ClassDisplayModel::Look &look, const Texts &texts, QFont font)
{
    painter.setRenderHint(QPainter::Antialiasing);
    const ClassDisplayColours colours = ClassDisplayColours::of(look.state, look.flashLit);
    painter.fillRect(area, colours.background);
    const int height = area.height();
    const int margin = height / 20;
    const QRect inside = area.adjusted(margin, margin, -margin, -margin);

    if (look.flashLit) {
        const int symbol = height * 4 / 10;
        const QRect symbolBox(inside.center().x() - symbol / 2, inside.top() + height / 10, symbol,
                              symbol);
        drawSymbol(painter, symbolBox, State::Alarm, colours.foreground, colours.background);
        painter.setPen(colours.foreground);
        drawText(painter,
                 QRect(inside.left(), symbolBox.bottom() + margin, inside.width(), height / 4),
                 texts.flashWord, font, Qt::AlignHCenter);
        return;
    }

    // The symbol and the word.
    const int top = height * 26 / 100;
    const QRect symbolBox(inside.left(), inside.top(), top, top);
    drawSymbol(painter, symbolBox, look.state, colours.foreground, colours.background);
    painter.setPen(colours.foreground);
    drawText(painter,
             QRect(symbolBox.right() + margin, inside.top(),
                   inside.right() - symbolBox.right() - margin, top),
             texts.word, font, Qt::AlignLeft);

    drawGauge(painter, QRect(inside.left(), height * 43 / 100, inside.width(), height * 18 / 100),
              look, colours.foreground, colours.background);

    painter.setPen(colours.foreground);
    const int lineHeight = height * 10 / 100;
    drawText(painter, QRect(inside.left(), height * 71 / 100, inside.width(), lineHeight),
             texts.count, font, Qt::AlignLeft);
    if (!texts.pause.isEmpty())
        drawText(painter, QRect(inside.left(), height * 84 / 100, inside.width(), lineHeight),
                 texts.pause, font, Qt::AlignLeft);
}
