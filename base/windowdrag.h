#pragma once

#include <QPoint>
#include <functional>

class QMouseEvent;
class QWidget;
class QWindow;

// Drags a window by the mouse pressed on one of its handles (its body, a picture, a
// label). Where a program places its own windows (X11, Windows) the window follows the
// mouse step by step. Under Wayland only the compositor places windows and a program's
// move() is ignored, so the first step with the button held hands the drag over to the
// compositor (an interactive move, as a title bar starts one); the press and the release
// of a click still reach the window, so its double clicks keep working.
class WindowDrag
{
public:
    // Asks the window system to move the window with the mouse until the button is
    // released; false when it cannot (no pointer, no press to start from).
    using SystemMove = std::function<bool(QWindow *window)>;

    explicit WindowDrag(QWidget *window);

    // Replaceable for tests, which cannot press a real pointer on the compositor.
    void setSystemMove(SystemMove move) { m_systemMove = std::move(move); }

    // A press on a handle starts a drag, unless it is the right button's.
    void press(const QMouseEvent &event);
    // Moves the window by the mouse's movement since the last step, or hands the drag
    // to the compositor; nothing happens without a drag under way.
    void follow(const QMouseEvent &event);
    void release() { m_dragging = false; }
    bool dragging() const { return m_dragging; }

private:
    QWidget *m_window;
    SystemMove m_systemMove;
    bool m_dragging = false;
    QPoint m_from; // screen position of the mouse at the last step
};
