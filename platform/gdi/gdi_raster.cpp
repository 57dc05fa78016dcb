#include "platform/gdi/gdi_raster.h"

#include "platform/geometry.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace gdi_raster {

std::vector<Span> LinePixels(POINT from, POINT to) {
    std::vector<Span> spans;
    const long long dx = std::llabs(static_cast<long long>(to.x) - from.x);
    const long long dy = std::llabs(static_cast<long long>(to.y) - from.y);
    const int step_x = to.x > from.x ? 1 : -1;
    const int step_y = to.y > from.y ? 1 : -1;
    const long long steps = std::max(dx, dy);
    spans.reserve(static_cast<std::size_t>(dx >= dy ? 1 : steps));
    long long error = (dx >= dy ? dx : dy) / 2;
    int x = from.x;
    int y = from.y;
    for (long long i = 0; i < steps; ++i) {
        if (!spans.empty() && spans.back().y == y && spans.back().x1 == x && step_x > 0)
            spans.back().x1 = x + 1;
        else if (!spans.empty() && spans.back().y == y && spans.back().x0 == x + 1 && step_x < 0)
            spans.back().x0 = x;
        else
            spans.push_back({y, x, x + 1});
        if (dx >= dy) {
            x += step_x;
            error -= dy;
            if (error < 0) {
                y += step_y;
                error += dx;
            }
        } else {
            y += step_y;
            error -= dx;
            if (error < 0) {
                x += step_x;
                error += dy;
            }
        }
    }
    return spans;
}

std::vector<Span> RoundRectSpans(int left, int top, int right, int bottom, int width, int height) {
    std::vector<Span> spans;
    const int w = right - left;
    const int h = bottom - top;
    if (w <= 0 || h <= 0)
        return spans;
    width = std::min(KvSatAbs(width), w);
    height = std::min(KvSatAbs(height), h);
    std::vector<int> inset(static_cast<std::size_t>(h), 0);
    if (width > 0 && height > 0) {
        const double a = width / 2.0;
        const double b = height / 2.0;
        // Only the upper half is computed; the lower half mirrors it, so the
        // shape is exactly symmetric.
        for (int row = 0; row < (h + 1) / 2; ++row) {
            const double centre = row + 0.5;
            if (centre >= b)
                break;
            const double t = (b - centre) / b;
            const double dx = a * std::sqrt(std::max(0.0, 1.0 - t * t));
            const int x0 = static_cast<int>(std::ceil(a - dx - 0.5 - 1e-9));
            inset[static_cast<std::size_t>(row)] = std::max(0, x0);
            inset[static_cast<std::size_t>(h - 1 - row)] = std::max(0, x0);
        }
    }
    spans.reserve(static_cast<std::size_t>(h));
    for (int row = 0; row < h; ++row) {
        const int x0 = inset[static_cast<std::size_t>(row)];
        if (2 * x0 >= w)
            continue;
        spans.push_back({top + row, left + x0, right - x0});
    }
    return spans;
}

double PixelAngle(double centre_x, double centre_y, int x, int y) {
    return std::atan2(centre_y - (y + 0.5), (x + 0.5) - centre_x);
}

}  // namespace gdi_raster
