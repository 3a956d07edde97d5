#pragma once

#include "features/schoolview/schoolrooms.h"

#include <QAbstractScrollArea>
#include <functional>

// The rooms as tiles, row by row in the order given, scrolled; only the tiles in sight are
// painted, so a school of thousands of rooms costs what one screen of tiles costs. Each
// tile: the room's name, its level as a bar in the main meter's colours with a mark at the
// threshold, its noisy seconds of the last ten minutes and its alarms of the day, greyed
// while the room is offline ("offline since 10:42").
class SchoolTiles : public QAbstractScrollArea
{
    Q_OBJECT
public:
    using Translator = std::function<QString(const QString &)>;

    static constexpr int TileWidth = 240;
    static constexpr int Gap = 6;

    SchoolTiles(const SchoolRooms &rooms, Translator translate, QWidget *parent = nullptr);

    // The rooms to show, by index into the model, in order; repaints.
    void setOrder(const QList<int> &order);
    // Repaints the tiles of these rooms when they are in sight.
    void refresh(const QList<int> &changed);
    const QList<int> &order() const { return m_order; }
    // The texts of one tile, as painted: name, the counts' line and the state's line.
    QStringList tileTexts(int room) const;
    // Paint events so far; the window promises at most four a second.
    int paints() const { return m_paints; }

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    int columns() const;
    QRect tileRect(int position) const;
    int tileHeight() const;
    void paintTile(QPainter &painter, const QRect &tile, int index) const;
    void layoutScroll();

    const SchoolRooms &m_rooms;
    Translator m_translate;
    QList<int> m_order;
    int m_paints = 0;
};
