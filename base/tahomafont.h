#pragma once

#include <QFont>

// Tahoma at a pixel size, as every window of the program uses it. Where Tahoma is not
// installed, a face of about its width (Liberation Sans, Arial), else the system sans font.
QFont tahomaFont(int pixelSize, bool bold = false);
