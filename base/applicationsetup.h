#pragma once

#include <QFont>

class QApplication;

// The look and the names every window of the program shares: set once, right after the
// QApplication exists, by the program and by everything that shows its windows as the
// user sees them (the benchmark, the screenshots).
namespace ApplicationSetup {
// The application's name: its title and the caption of the general error message.
inline constexpr const char *Title = "Murmlet";

// Tahoma at 11 pixels, or the nearest face installed.
QFont windowFont();

// The window font application-wide (under a style sheet widgets do not inherit their
// window's font), the "Glossy" theme, the program's icon and names.
void apply(QApplication &app);
} // namespace ApplicationSetup
