#include "base/lockedbypolicy.h"

#include <QAction>
#include <QMenu>
#include <QWidget>

namespace {
QString withNote(const QString &tooltip, const QString &note)
{
    return tooltip.isEmpty() || tooltip.contains(note) ? note : tooltip + QLatin1Char('\n') + note;
}
} // namespace

void LockedByPolicy::mark(QWidget *control, const QString &translatedNote)
{
    control->setEnabled(false);
    control->setToolTip(withNote(control->toolTip(), translatedNote));
}

void LockedByPolicy::mark(QAction *action, const QString &translatedNote)
{
    // A menu item's tooltip falls back to its text; the note then stands alone.
    const QString own = action->toolTip() == action->text() ? QString() : action->toolTip();
    action->setEnabled(false);
    action->setToolTip(withNote(own, translatedNote));
    for (QObject *widget : action->associatedObjects()) {
        if (auto *menu = qobject_cast<QMenu *>(widget))
            menu->setToolTipsVisible(true);
    }
}
