#pragma once

#include "features/classdisplay/classdisplaymodel.h"

#include <QList>
#include <QWidget>
#include <functional>

class ListeningSession;
class QMenu;
class QScreen;
class QTimer;

// The class display: a window of its own for the projector or a second screen that
// shows the room's noise (see ClassDisplayPainter), full screen on the screen it is
// given. Escape or a double click leaves full screen, a second double click returns to
// it; right-click offers the menu it is given. It never blocks the window it came from.
//
// It repaints only when what it shows changes, and never sooner than a meter tick after
// its last paint: the session's readings bring the changes, and a change between them
// (a flash, a pause) waits for the rest of the tick.
class ClassDisplay : public QWidget
{
    Q_OBJECT
public:
    using Translator = std::function<QString(const QString &)>;
    // One paint: when (monotonic milliseconds) and whether the flash was lit.
    struct Paint
    {
        qint64 at;
        bool lit;
    };
    // The newest paints kept for paints(): a minute at the tick's pace.
    static constexpr int KeptPaints = 1200;

    ClassDisplay(const ListeningSession &session, Translator translate, QWidget *parent = nullptr);

    const ClassDisplayModel::Look &look() const { return m_model->look(); }
    // The state's word and lines as painted now.
    QString word() const;
    QString countText() const;
    QString pauseText() const;
    const QList<Paint> &paints() const { return m_paints; }

    void setContextMenu(QMenu *menu) { m_contextMenu = menu; }
    // Fills `target` (moving there first when it shows elsewhere).
    void showFullScreenOn(QScreen *target);

protected:
    void paintEvent(QPaintEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;

private:
    void scheduleRepaint();

    Translator m_translate;
    ClassDisplayModel *m_model;
    QTimer *m_repaintTimer;
    QMenu *m_contextMenu = nullptr;
    QList<Paint> m_paints;
    qint64 m_lastPaint;
    bool m_placed = false;
};
