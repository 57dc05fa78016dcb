#include "platform/gdi/gdi.h"
#include "support/gui_test_support.h"

#include <cstring>
#include <vector>

namespace {

// An RDH_RECTANGLES block of the rectangles.
std::vector<unsigned char> RegionData(const std::vector<RECT>& rectangles, DWORD header_size = 32,
                                      DWORD type = RDH_RECTANGLES) {
    std::vector<unsigned char> bytes(sizeof(RGNDATAHEADER) + rectangles.size() * sizeof(RECT));
    RGNDATAHEADER header;
    header.dwSize = header_size;
    header.iType = type;
    header.nCount = static_cast<DWORD>(rectangles.size());
    header.nRgnSize = static_cast<DWORD>(rectangles.size() * sizeof(RECT));
    std::memcpy(bytes.data(), &header, sizeof(header));
    if (!rectangles.empty())
        std::memcpy(bytes.data() + sizeof(header), rectangles.data(), rectangles.size() * sizeof(RECT));
    return bytes;
}

const RGNDATA* AsData(const std::vector<unsigned char>& bytes) {
    return reinterpret_cast<const RGNDATA*>(bytes.data());
}

HRGN UnionOf(const std::vector<RECT>& rectangles) {
    HRGN result = CreateRectRgn(0, 0, 0, 0);
    for (const RECT& r : rectangles) {
        HRGN part = CreateRectRgn(r.left, r.top, r.right, r.bottom);
        CombineRgn(result, result, part, RGN_OR);
        DeleteObject(part);
    }
    return result;
}

}  // namespace

using GdiRegion = GdiTest;

TEST_F(GdiRegion, CombineRgn_TableOfModesAndResultTypes) {
    struct Case {
        RECT first;
        RECT second;
        int mode;
        int type;
        RECT box;
        int area;
    };
    const RECT a{0, 0, 10, 10};
    const Case cases[] = {
        {a, {5, 5, 15, 15}, RGN_AND, SIMPLEREGION, {5, 5, 10, 10}, 25},
        {a, {5, 5, 15, 15}, RGN_OR, COMPLEXREGION, {0, 0, 15, 15}, 175},
        {a, {5, 5, 15, 15}, RGN_XOR, COMPLEXREGION, {0, 0, 15, 15}, 150},
        {a, {5, 5, 15, 15}, RGN_DIFF, COMPLEXREGION, {0, 0, 10, 10}, 75},
        {a, {0, 5, 10, 15}, RGN_OR, SIMPLEREGION, {0, 0, 10, 15}, 150},
        {a, {20, 20, 30, 30}, RGN_AND, NULLREGION, {0, 0, 0, 0}, 0},
        {a, {0, 0, 10, 10}, RGN_DIFF, NULLREGION, {0, 0, 0, 0}, 0},
        {a, {0, 0, 10, 10}, RGN_XOR, NULLREGION, {0, 0, 0, 0}, 0},
        {a, {20, 20, 30, 30}, RGN_COPY, SIMPLEREGION, {0, 0, 10, 10}, 100},
        {a, {0, 0, 0, 0}, RGN_OR, SIMPLEREGION, {0, 0, 10, 10}, 100},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "mode " << c.mode << " second " << c.second.left << "," << c.second.top);
        HRGN first = CreateRectRgn(c.first.left, c.first.top, c.first.right, c.first.bottom);
        HRGN second = CreateRectRgn(c.second.left, c.second.top, c.second.right, c.second.bottom);
        HRGN result = CreateRectRgn(0, 0, 0, 0);
        EXPECT_EQ(CombineRgn(result, first, second, c.mode), c.type);
        RECT box;
        EXPECT_EQ(GetRgnBox(result, &box), c.type);
        EXPECT_EQ(box, c.box);
        int area = 0;
        for (int y = -1; y < 32; ++y)
            for (int x = -1; x < 32; ++x)
                area += PtInRegion(result, x, y);
        EXPECT_EQ(area, c.area);
        // The destination may be a source.
        EXPECT_EQ(CombineRgn(first, first, second, c.mode), c.type);
        EXPECT_TRUE(EqualRgn(first, result));
        DeleteObject(first);
        DeleteObject(second);
        DeleteObject(result);
    }
    HRGN region = CreateRectRgn(0, 0, 1, 1);
    EXPECT_EQ(CombineRgn(region, region, region, 6), ERROR);
    EXPECT_EQ(CombineRgn(region, region, nullptr, RGN_OR), ERROR);
    DeleteObject(region);
}

TEST_F(GdiRegion, RectAndRoundRectRegions_LeaveOutRightAndBottom) {
    HRGN rect = CreateRectRgn(1, 1, 4, 3);
    EXPECT_EQ(DumpRegion(rect, RECT{0, 0, 5, 4}), ".....\n.###.\n.###.\n.....\n");
    HRGN inverted = CreateRectRgn(4, 3, 1, 1);
    EXPECT_TRUE(EqualRgn(rect, inverted));
    HRGN round = CreateRoundRectRgn(0, 0, 11, 9, 6, 6);
    EXPECT_EQ(DumpRegion(round, RECT{0, 0, 11, 9}),
              ".########..\n"
              "##########.\n"
              "##########.\n"
              "##########.\n"
              "##########.\n"
              "##########.\n"
              "##########.\n"
              ".########..\n"
              "...........\n");
    RECT box;
    EXPECT_EQ(GetRgnBox(round, &box), COMPLEXREGION);
    EXPECT_EQ(box, (RECT{0, 0, 10, 8}));
    EXPECT_EQ(OffsetRgn(round, 5, -2), COMPLEXREGION);
    GetRgnBox(round, &box);
    EXPECT_EQ(box, (RECT{5, -2, 15, 6}));
    DeleteObject(rect);
    DeleteObject(inverted);
    DeleteObject(round);
}

TEST_F(GdiRegion, FrameRgn_OfARectangleAndARoundRectangleIsTheInnerBoundary) {
    Canvas canvas(12, 9);
    HRGN rect = CreateRectRgn(1, 1, 7, 6);
    FrameRgn(canvas.dc(), rect, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)), 1, 1);
    EXPECT_EQ(DumpPixels(canvas.bitmap(), RECT{0, 0, 8, 7}, {{0, '#'}, {0xFFFFFF, '.'}}),
              "........\n"
              ".######.\n"
              ".#....#.\n"
              ".#....#.\n"
              ".#....#.\n"
              ".######.\n"
              "........\n");
    DeleteObject(rect);

    Canvas round_canvas(24, 20);
    HRGN round = CreateRoundRectRgn(2, 2, 22, 18, 9, 7);
    FrameRgn(round_canvas.dc(), round, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)), 1, 1);
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 24; ++x) {
            const bool inside = PtInRegion(round, x, y);
            const bool boundary = inside && (!PtInRegion(round, x - 1, y) || !PtInRegion(round, x + 1, y) ||
                                             !PtInRegion(round, x, y - 1) || !PtInRegion(round, x, y + 1));
            EXPECT_EQ(round_canvas.At(x, y) == 0, boundary) << x << "," << y;
        }
    // A wider frame takes in that many pixels from each side.
    Canvas wide(12, 9);
    HRGN block = CreateRectRgn(1, 1, 11, 8);
    FrameRgn(wide.dc(), block, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)), 3, 2);
    EXPECT_EQ(wide.Count(0), 70 - 4 * 3);
    DeleteObject(block);
    DeleteObject(round);
}

TEST_F(GdiRegion, ExtCreateRegion_IsTheUnionOfItsRectanglesScaled) {
    const std::vector<RECT> rectangles{{0, 0, 5, 5}, {3, 3, 8, 8}, {10, 0, 12, 2}, {4, 4, 4, 9}, {9, 9, 7, 7}};
    const auto bytes = RegionData(rectangles);
    HRGN region = ExtCreateRegion(nullptr, static_cast<DWORD>(bytes.size()), AsData(bytes));
    ASSERT_NE(region, nullptr);
    HRGN expected = UnionOf({{0, 0, 5, 5}, {3, 3, 8, 8}, {10, 0, 12, 2}});
    EXPECT_TRUE(EqualRgn(region, expected));
    XFORM scale;
    scale.eM11 = 2.0f;
    scale.eM22 = 3.0f;
    HRGN scaled = ExtCreateRegion(&scale, static_cast<DWORD>(bytes.size()), AsData(bytes));
    HRGN expected_scaled = UnionOf({{0, 0, 10, 15}, {6, 9, 16, 24}, {20, 0, 24, 6}});
    EXPECT_TRUE(EqualRgn(scaled, expected_scaled));
    // GetRegionData gives the same region back.
    const DWORD size = GetRegionData(region, 0, nullptr);
    std::vector<unsigned char> copy(size);
    EXPECT_EQ(GetRegionData(region, size - 1, reinterpret_cast<RGNDATA*>(copy.data())), 0u);
    ASSERT_EQ(GetRegionData(region, size, reinterpret_cast<RGNDATA*>(copy.data())), size);
    HRGN again = ExtCreateRegion(nullptr, size, AsData(copy));
    EXPECT_TRUE(EqualRgn(again, region));
    const auto empty = RegionData({});
    HRGN nothing = ExtCreateRegion(nullptr, static_cast<DWORD>(empty.size()), AsData(empty));
    RECT box;
    EXPECT_EQ(GetRgnBox(nothing, &box), NULLREGION);
    for (HRGN h : {region, expected, scaled, expected_scaled, again, nothing})
        DeleteObject(h);
}

TEST_F(GdiRegion, ExtCreateRegion_RefusesMalformedData) {
    const std::vector<RECT> rectangles{{0, 0, 5, 5}, {3, 3, 8, 8}};
    const auto good = RegionData(rectangles);
    const auto size = static_cast<DWORD>(good.size());
    EXPECT_EQ(ExtCreateRegion(nullptr, size - 1, AsData(good)), nullptr);
    EXPECT_EQ(ExtCreateRegion(nullptr, 31, AsData(good)), nullptr);
    const auto bad_header = RegionData(rectangles, 31);
    EXPECT_EQ(ExtCreateRegion(nullptr, size, AsData(bad_header)), nullptr);
    const auto bad_type = RegionData(rectangles, 32, 2);
    EXPECT_EQ(ExtCreateRegion(nullptr, size, AsData(bad_type)), nullptr);
    auto huge_count = good;
    const DWORD count = 0x10000000u;
    std::memcpy(huge_count.data() + 8, &count, sizeof(count));
    EXPECT_EQ(ExtCreateRegion(nullptr, size, AsData(huge_count)), nullptr);
    XFORM rotation;
    rotation.eM12 = 1.0f;
    EXPECT_EQ(ExtCreateRegion(&rotation, size, AsData(good)), nullptr);
    XFORM moved;
    moved.eDx = 3.0f;
    EXPECT_EQ(ExtCreateRegion(&moved, size, AsData(good)), nullptr);
    const auto far = RegionData({{0, 0, 1 << 28, 5}});
    EXPECT_EQ(ExtCreateRegion(nullptr, static_cast<DWORD>(far.size()), AsData(far)), nullptr);
    ExpectRefused(8);
    EXPECT_EQ(ExtCreateRegion(nullptr, size, nullptr), nullptr);
    EXPECT_EQ(CreateRectRgn(0, 0, 1 << 28, 1), nullptr);
    ExpectRefused(1);
}

TEST_F(GdiRegion, AdoptedRegion_OnlyItsOwnerMayDeleteItAndNobodySelectsOrChangesIt) {
    int window = 0;
    int stranger = 0;
    HRGN region = CreateRectRgn(0, 0, 4, 4);
    EXPECT_EQ(GdiAdoptRegion(region, &window), TRUE);
    EXPECT_EQ(GdiAdoptRegion(region, &stranger), FALSE);
    EXPECT_EQ(DeleteObject(region), FALSE);
    Canvas canvas(4, 4);
    EXPECT_EQ(SelectClipRgn(canvas.dc(), region), ERROR);
    EXPECT_EQ(SelectObject(canvas.dc(), region), nullptr);
    HRGN other = CreateRectRgn(0, 0, 1, 1);
    EXPECT_EQ(CombineRgn(region, other, nullptr, RGN_COPY), ERROR);
    EXPECT_EQ(OffsetRgn(region, 1, 1), ERROR);
    EXPECT_EQ(GdiDeleteAdoptedRegion(region, &stranger), FALSE);
    ExpectRefused(7);
    // Reading it stays allowed.
    EXPECT_EQ(CombineRgn(other, region, nullptr, RGN_COPY), SIMPLEREGION);
    EXPECT_TRUE(PtInRegion(region, 3, 3));
    EXPECT_EQ(GdiDeleteAdoptedRegion(region, &window), TRUE);
    EXPECT_EQ(PtInRegion(region, 3, 3), FALSE);
    ExpectRefused(1);
    DeleteObject(other);
}
