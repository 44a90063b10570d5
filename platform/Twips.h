#pragma once
// Positions and sizes are designed in twips (1440 to the inch). This is the
// one place that converts them to the screen's pixels, using the screen's
// logical DPI (15 twips to the pixel at 96 DPI).

#include <QRect>

namespace platform {

inline constexpr int twipsPerInch = 1440;

// The logical DPI used for conversions: the primary screen's, or 96 without one.
double logicalDpi();

int twipsToPixels(double twips);
double pixelsToTwips(int pixels);

// A rectangle given as left, top, width and height in twips.
QRect twipsRect(int left, int top, int width, int height);

} // namespace platform
