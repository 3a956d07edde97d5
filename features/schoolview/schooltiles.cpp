#include "features/schoolview/schooltiles.h"

#include <QDateTime>
#include <QLocale>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <utility>

namespace {
// The main window's meter colours.
const QColor Lime(0, 255, 0);
const QColor Red(255, 0, 0);
constexpr int Padding = 6;
constexpr int BarHeight = 14;
} // namespace

SchoolTiles::SchoolTiles(const SchoolRooms &rooms, Translator translate, QWidget *parent)
    : QAbstractScrollArea(parent), m_rooms(rooms), m_translate(std::move(translate))
{
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    verticalScrollBar()->setSingleStep(tileHeight() / 2);
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
}

void SchoolTiles::setOrder(const QList<int> &order)
{
    m_order = order;
    layoutScroll();
    viewport()->update();
}

void SchoolTiles::refresh(const QList<int> &changed)
{
    if (changed.isEmpty())
        return;
    // Whatever changed, one update: the next paint covers every tile in sight.
    viewport()->update();
}

int SchoolTiles::tileHeight() const
{
    // The name, the bar and two lines of text.
    return Padding + 3 * fontMetrics().height() + BarHeight + 4;
}

int SchoolTiles::columns() const
{
    return std::max(1, (viewport()->width() - Gap) / (TileWidth + Gap));
}

QRect SchoolTiles::tileRect(int position) const
{
    const int row = position / columns();
    const int column = position % columns();
    return QRect(Gap + column * (TileWidth + Gap),
                 Gap + row * (tileHeight() + Gap) - verticalScrollBar()->value(), TileWidth,
                 tileHeight());
}

void SchoolTiles::layoutScroll()
{
    const int rows = (int(m_order.size()) + columns() - 1) / columns();
    const int height = Gap + rows * (tileHeight() + Gap);
    verticalScrollBar()->setPageStep(viewport()->height());
    verticalScrollBar()->setRange(0, std::max(0, height - viewport()->height()));
}

void SchoolTiles::resizeEvent(QResizeEvent *event)
{
    QAbstractScrollArea::resizeEvent(event);
    layoutScroll();
}

QStringList SchoolTiles::tileTexts(int index) const
{
    const SchoolRooms::Room &room = m_rooms.room(index);
    const QLocale locale;
    const QString counts =
        m_translate(QStringLiteral("Noisy: %1 s in 10 min · Alarms today: %2"))
            .arg(locale.toString(room.noisy10Minutes.count()), locale.toString(room.alarmsToday));
    QString state;
    if (!room.online) {
        state = room.offlineSinceMs
                    ? m_translate(QStringLiteral("Offline since %1"))
                          .arg(locale.toString(
                              QDateTime::fromMSecsSinceEpoch(*room.offlineSinceMs).time(),
                              QStringLiteral("HH:mm")))
                    : m_translate(QStringLiteral("Offline"));
    } else if (!room.heard) {
        state = m_translate(QStringLiteral("Online, no reading yet"));
    } else if (!room.listening) {
        state = m_translate(QStringLiteral("Not listening"));
    } else if (!room.soundComingIn) {
        state = m_translate(QStringLiteral("No sound coming in"));
    }
    return {room.name, counts, state};
}

void SchoolTiles::paintEvent(QPaintEvent *event)
{
    ++m_paints;
    QPainter painter(viewport());
    painter.fillRect(event->rect(), palette().color(QPalette::Window));
    if (m_order.isEmpty())
        return;
    // Only the rows in sight.
    const int rowHeight = tileHeight() + Gap;
    const int scroll = verticalScrollBar()->value();
    const int firstRow = std::max(0, (scroll - Gap) / rowHeight);
    const int lastRow = (scroll + viewport()->height()) / rowHeight;
    const int perRow = columns();
    for (int position = firstRow * perRow;
         position < std::min<qsizetype>(m_order.size(), (lastRow + 1) * perRow); ++position) {
        const QRect tile = tileRect(position);
        if (tile.intersects(event->rect()))
            paintTile(painter, tile, m_order[position]);
    }
}

void SchoolTiles::paintTile(QPainter &painter, const QRect &tile, int index) const
{
    const SchoolRooms::Room &room = m_rooms.room(index);
    const bool live = room.online && room.heard && room.listening && room.soundComingIn;
    const QPalette::ColorGroup group = room.online ? QPalette::Active : QPalette::Disabled;
    painter.fillRect(tile, palette().color(group, room.online ? QPalette::Base : QPalette::Window));
    painter.setPen(palette().color(group, QPalette::Mid));
    painter.drawRect(tile.adjusted(0, 0, -1, -1));

    const QStringList texts = tileTexts(index);
    const QRect inner = tile.adjusted(Padding, Padding / 2, -Padding, -Padding / 2);
    const QFontMetrics metrics(font());
    const int line = metrics.height();
    painter.setPen(palette().color(group, QPalette::Text));
    QFont bold = font();
    bold.setBold(true);
    painter.setFont(bold);
    // Each text on its own: a name written right to left stays within its own line.
    painter.drawText(QRect(inner.left(), inner.top(), inner.width(), line),
                     Qt::AlignLeft | Qt::AlignVCenter,
                     QFontMetrics(bold).elidedText(texts[0], Qt::ElideRight, inner.width()));
    painter.setFont(font());

    // The bar as the main meter draws it: white in a frame, the level from the left.
    const QRect bar(inner.left(), inner.top() + line + 2, inner.width(), BarHeight);
    if (live) {
        painter.fillRect(bar, Qt::white);
        painter.setPen(palette().color(QPalette::Mid));
        painter.drawRect(bar.adjusted(0, 0, -1, -1));
        const QRect fill = bar.adjusted(1, 1, -1, -1);
        const int width = fill.width() * SchoolRooms::meterPercent(room.peakDbfs) / 100;
        if (width > 0)
            painter.fillRect(QRect(fill.left(), fill.top(), width, fill.height()),
                             room.noisy ? Red : Lime);
        const int mark =
            fill.left() + fill.width() * SchoolRooms::thresholdPercent(room.threshold) / 100;
        painter.fillRect(QRect(mark - 1, bar.top(), 2, bar.height()), Qt::black);
    } else {
        painter.fillRect(bar, palette().color(QPalette::Disabled, QPalette::Window));
        painter.setPen(palette().color(QPalette::Disabled, QPalette::WindowText));
        painter.drawRect(bar.adjusted(0, 0, -1, -1));
    }
    painter.setPen(palette().color(group, QPalette::Text));
    const int below = bar.bottom() + 2;
    painter.drawText(QRect(inner.left(), below, inner.width(), line),
                     Qt::AlignLeft | Qt::AlignVCenter,
                     metrics.elidedText(texts[1], Qt::ElideRight, inner.width()));
    painter.drawText(QRect(inner.left(), below + line, inner.width(), line),
                     Qt::AlignLeft | Qt::AlignVCenter,
                     metrics.elidedText(texts[2], Qt::ElideRight, inner.width()));
}
