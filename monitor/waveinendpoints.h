#pragma once

#include "monitor/inputnames.h"

#include <QList>

// The waveform-audio inputs, the device number as index (nameless where the list would
// not tell a number's name), each with its endpoint's whole name:
// the number's endpoint id (DRV_QUERYFUNCTIONINSTANCEID) looked up in the MMDevice API
// for its friendly name. Where either step fails the input keeps its short name alone.
namespace WaveInEndpoints {
QList<InputNames::Device> list();
} // namespace WaveInEndpoints
