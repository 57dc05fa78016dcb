#pragma once
// Helpers for the GUI tests: the GDI object balance, canvases, pixel and
// region dumps, and golden images.
//
// Golden images are PNGs in tests/<folder>/golden/. A pixel passes when no
// channel differs by more than 2; an image passes when at most 0.1% of its
// pixels do not. A failure writes the actual picture and a difference image
// (failing pixels red over a faded copy) to golden-failures/ in the working
// directory. KV_UPDATE_GOLDENS=1 rewrites the goldens instead.

#include "platform/gdi/gdi.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <string>
#include <vector>

// Each GUI test ends with as many live GDI objects and device contexts as it
// began with, and with no refused call it did not announce.
class GdiTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    // The test provokes this many more refused calls.
    void ExpectRefused(std::uint64_t count) { expected_refusals_ += count; }
    std::uint64_t RefusedSoFar() const;

private:
    GdiStatistics start_;
    std::uint64_t expected_refusals_ = 0;
};

// A memory DC with a 32-bit bitmap of its own, filled with one colour.
class Canvas {
public:
    Canvas(int width, int height, COLORREF fill = RGB(255, 255, 255));
    ~Canvas();
    Canvas(const Canvas&) = delete;
    Canvas& operator=(const Canvas&) = delete;

    HDC dc() const { return dc_; }
    HBITMAP bitmap() const { return bitmap_; }
    int width() const { return width_; }
    int height() const { return height_; }
    // 0x00RRGGBB, top-down.
    std::vector<std::uint32_t> Pixels() const;
    // A COLORREF, as GetPixel gives it.
    COLORREF At(int x, int y) const;
    int Count(COLORREF color) const;

private:
    HDC dc_ = nullptr;
    HBITMAP bitmap_ = nullptr;
    HGDIOBJ previous_ = nullptr;
    int width_ = 0;
    int height_ = 0;
};

// One character per pixel and one line per row of the area; colours missing
// from the legend show as '?'.
std::string DumpPixels(HBITMAP bitmap, const RECT& area, const std::map<COLORREF, char>& legend);
// '#' for pixels inside the region, '.' for the others.
std::string DumpRegion(HRGN region, const RECT& area);
std::vector<RECT> RegionRectangles(HRGN region);
// The pixels of the canvas that have the colour, as a region (for comparing
// drawings with regions).
HRGN RegionOfColor(const Canvas& canvas, COLORREF color);

::testing::AssertionResult MatchesGolden(HBITMAP bitmap, const std::string& folder, const std::string& name);
