#include "base/linkgesture.h"

#include <QMouseEvent>
#include <QWidget>

LinkGesture::Outcome LinkGesture::filter(const QWidget *link, QEvent *event)
{
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
        if (static_cast<QMouseEvent *>(event)->button() == Qt::LeftButton)
            m_pressed = true;
        return Outcome::Taken;
    case QEvent::MouseMove:
        return Outcome::Taken;
    case QEvent::MouseButtonRelease: {
        const auto *mouse = static_cast<QMouseEvent *>(event);
        if (mouse->button() != Qt::LeftButton)
            return Outcome::Taken;
        const bool clicked = m_pressed && link->rect().contains(mouse->position().toPoint());
        m_pressed = false;
        return clicked ? Outcome::Clicked : Outcome::Taken;
    }
    default:
        return Outcome::NotTaken;
    }
}
