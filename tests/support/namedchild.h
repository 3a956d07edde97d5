#pragma once

#include <QObject>
#include <QtGlobal>

// The object named `name` among the window's descendants or, failing that, the
// session's (its timers live there); a missing one ends the test at once.
template <typename T> T *namedChild(const QObject &window, const QObject &session, const char *name)
{
    T *found = window.findChild<T *>(QString::fromLatin1(name));
    if (!found)
        found = session.findChild<T *>(QString::fromLatin1(name));
    if (!found)
        qFatal("no child %s", name);
    return found;
}
