#include "base/windowdrag.h"

#include "base/windowplacement.h"

#include <QMouseEvent>
#include <QWidget>
#include <QWindow>

WindowDrag::WindowDrag(QWidget *window)
    : m_window(window), m_systemMove([](QWindow *handle) { return handle->startSystemMove(); })
{
}

void WindowDrag::press(const QMouseEvent &event)
{
    if (event.button() == Qt::RightButton)
        return;
    m_from = event.globalPosition().toPoint();
    m_dragging = true;
}

void WindowDrag::follow(const QMouseEvent &event)
{
    if (!m_dragging)
        return;
    if (WindowPlacement::byCompositor()) {
        // The compositor has the pointer from here until the release, which this window
        // may never see. A refused request (no pointer to move by) leaves the window
        // where it is; a move() would be ignored all the same.
        m_dragging = false;
        if (QWindow *handle = m_window->windowHandle())
            m_systemMove(handle);
        return;
    }
    const QPoint now = event.globalPosition().toPoint();
    m_window->move(m_window->pos() + now - m_from);
    m_from = now;
}
