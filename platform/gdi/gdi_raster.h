#pragma once
// The integer rasteriser of the drawing layer: lines, ellipses and rounded
// rectangles as pixel runs. Drawing and regions both take their shapes from
// here, so a painted RoundRect and a CreateRoundRectRgn agree pixel for pixel.

#include "platform/types.h"

#include <vector>

namespace gdi_raster {

// The pixels [x0, x1) of row y.
struct Span {
    int y = 0;
    int x0 = 0;
    int x1 = 0;
    bool operator==(const Span&) const = default;
};

// The pixels of a line from `from` towards `to`, leaving out `to`
// (Bresenham), as runs of one row each, in drawing order.
std::vector<Span> LinePixels(POINT from, POINT to);

// The rows of a rectangle covering [left, right) x [top, bottom) whose corners
// are quarters of a width x height ellipse (clamped to the rectangle; 0
// gives square corners). Rows are symmetric about both axes; empty rows are
// left out.
std::vector<Span> RoundRectSpans(int left, int top, int right, int bottom, int width, int height);

// Angle of a pixel centre seen from (centre_x, centre_y), counter-clockwise
// on the screen, in radians from -pi to pi.
double PixelAngle(double centre_x, double centre_y, int x, int y);

}  // namespace gdi_raster
