#pragma once

#include "features/classdisplay/classdisplaymodel.h"

#include <QFont>
#include <QString>

class QPainter;
class QRect;

// Draws the class display into a rectangle, every size taken from its height so that it
// reads from the back of a room at any resolution: the state's symbol and word on top,
// the level gauge with the threshold marked across the middle, the count of noisy
// seconds and the pause below. While the flash is lit it draws only the alarm, inverted.
class ClassDisplayPainter
{
public:
    // What is written, in the interface language.
    struct Texts
    {
        QString word;      // "Quiet", "Noisy", "Too loud!", ...
        QString count;     // "Noisy seconds: 2 of 5"
        QString pause;     // "Quiet time until 10:45", or empty
        QString flashWord; // the word of the lit flash
    };

    static void paint(QPainter &painter, const QRect &area, const ClassDisplayModel::Look &look,
                      const Texts &texts, QFont font);
};
