#include "features/classdisplay/contrastratio.h"

#include <algorithm>
#include <cmath>

namespace {
// One sRGB channel, 0 ... 255, as linear light.
double linear(quint32 channel)
{
    const double value = channel / 255.0;
    return value <= 0.03928 ? value / 12.92 : std::pow((value + 0.055) / 1.055, 2.4);
}
} // namespace

double ContrastRatio::relativeLuminance(quint32 rgb)
{
    return 0.2126 * linear((rgb >> 16) & 0xFF) + 0.7152 * linear((rgb >> 8) & 0xFF) +
           0.0722 * linear(rgb & 0xFF);
}

double ContrastRatio::between(quint32 rgb, quint32 otherRgb)
{
    const double one = relativeLuminance(rgb);
    const double other = relativeLuminance(otherRgb);
    return (std::max(one, other) + 0.05) / (std::min(one, other) + 0.05);
}
