#include "features/classdisplay/classdisplaycolours.h"

namespace {
const QColor White(0xFF, 0xFF, 0xFF);
const QColor Black(0x00, 0x00, 0x00);
const QColor DarkGreen(0x1B, 0x5E, 0x20); // 7.9:1 with white
const QColor Amber(0xFF, 0xC2, 0x0A);     // 13.0:1 with black
const QColor DarkRed(0xB3, 0x00, 0x1B);   // 7.2:1 with white
const QColor DarkGrey(0x42, 0x42, 0x42);  // 10.1:1 with white
} // namespace

ClassDisplayColours ClassDisplayColours::of(ClassDisplayModel::State state, bool flashLit)
{
    using State = ClassDisplayModel::State;
    if (flashLit)
        return {White, DarkRed};
    switch (state) {
    case State::Quiet:
        return {DarkGreen, White};
    case State::Noisy:
        return {Amber, Black};
    case State::Alarm:
        return {DarkRed, White};
    case State::Idle:
    case State::SignalLost:
        break;
    }
    return {DarkGrey, White};
}
