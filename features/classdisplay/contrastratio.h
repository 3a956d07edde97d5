#pragma once

#include <QtGlobal>

// WCAG 2 contrast between two opaque sRGB colours, each 0xRRGGBB (a leading alpha byte is
// ignored): (L1 + 0.05) / (L2 + 0.05), L1 the lighter colour's relative luminance. It runs
// from 1 (the same colour) to 21 (black on white); text wants at least 4.5.
class ContrastRatio
{
public:
    static constexpr double ForText = 4.5;

    static double relativeLuminance(quint32 rgb);
    static double between(quint32 rgb, quint32 otherRgb);
};
