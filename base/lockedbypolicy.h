#pragma once

#include <QString>

class QAction;
class QWidget;

// A control whose value the computer's administrator has locked (SettingsPolicy): it is
// disabled, and its tooltip says who set it, after what it said before.
namespace LockedByPolicy {
// The note's text before translation.
inline constexpr const char *Note = "Set by your school";

void mark(QWidget *control, const QString &translatedNote);
// Menus show the tooltips of their items only when asked to; mark() asks the item's menus.
void mark(QAction *action, const QString &translatedNote);
} // namespace LockedByPolicy
