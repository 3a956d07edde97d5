#pragma once

#include "features/classdisplay/classdisplaymodel.h"

#include <QColor>

// The class display's two colours in each state: everything is drawn in the foreground
// over the background (the gauge's fill, its frame and threshold mark, the symbol and
// the words), so one contrast ratio, at least 4.5:1, holds for all of it. The states
// differ in colour, in symbol and in word alike, so no one needs to tell red from green.
struct ClassDisplayColours
{
    QColor background;
    QColor foreground;

    // The lit flash is the alarm inverted: its colour as the foreground on white.
    static ClassDisplayColours of(ClassDisplayModel::State state, bool flashLit = false);
};
