#pragma once

#include <QPoint>
#include <QTest>
#include <QWidget>
#include <QWindow>

// A press, one move and a release through the window system, as a real mouse makes
// them: the widget under the press keeps the mouse until the release, and events it
// ignores go on to its parents. Positions are on the screen, fixed before the gesture,
// so a window that moves meanwhile does not carry the mouse along.
inline void mouseGesture(QWidget *window, QPoint pressAt, QPoint releaseAt,
                         Qt::MouseButton button = Qt::LeftButton)
{
    QWindow *handle = window->window()->windowHandle();
    const auto local = [handle](QPoint global) { return handle->mapFromGlobal(global); };
    QTest::mousePress(handle, button, Qt::NoModifier, local(pressAt));
    QTest::mouseMove(handle, local((pressAt + releaseAt) / 2));
    QTest::mouseMove(handle, local(releaseAt));
    QTest::mouseRelease(handle, button, Qt::NoModifier, local(releaseAt));
}
