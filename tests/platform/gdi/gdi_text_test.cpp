#include "platform/gdi/gdi.h"
#include "support/gui_test_support.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr COLORREF kWhite = RGB(255, 255, 255);

struct Ink {
    int left = 1 << 30;
    int top = 1 << 30;
    int right = -1;  // inclusive
    int bottom = -1;
    int count = 0;
};

Ink InkOf(const Canvas& canvas, COLORREF background = kWhite) {
    Ink ink;
    const auto pixels = canvas.Pixels();
    const std::uint32_t paper = (std::uint32_t{GetRValue(background)} << 16) |
                                (std::uint32_t{GetGValue(background)} << 8) | GetBValue(background);
    for (int y = 0; y < canvas.height(); ++y)
        for (int x = 0; x < canvas.width(); ++x)
            if (pixels[static_cast<std::size_t>(y * canvas.width() + x)] != paper) {
                ink.left = std::min(ink.left, x);
                ink.right = std::max(ink.right, x);
                ink.top = std::min(ink.top, y);
                ink.bottom = std::max(ink.bottom, y);
                ++ink.count;
            }
    return ink;
}

HFONT MakeFont(LONG height, LONG weight = FW_NORMAL, const char* face = "Tahoma", LONG escapement = 0) {
    LOGFONT logfont;
    logfont.lfHeight = height;
    logfont.lfWeight = weight;
    logfont.lfEscapement = escapement;
    std::strcpy(logfont.lfFaceName, face);
    return CreateFontIndirect(&logfont);
}

SIZE Extent(HDC dc, const std::string& text) {
    SIZE size;
    GetTextExtentPoint32(dc, text.data(), static_cast<int>(text.size()), &size);
    return size;
}

// Draws with the default GUI font, black on white, transparent.
void Prepare(HDC dc) {
    SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
    SetBkMode(dc, TRANSPARENT);
}

}  // namespace

using GdiText = GdiTest;

TEST_F(GdiText, Metrics_OfTheStockFont) {
    Canvas canvas(4, 4);
    TEXTMETRIC tm;
    ASSERT_EQ(GetTextMetrics(canvas.dc(), &tm), TRUE);
    EXPECT_EQ(tm.tmHeight, tm.tmAscent + tm.tmDescent);
    EXPECT_GE(tm.tmHeight, 12);
    EXPECT_LE(tm.tmHeight, 14);
    EXPECT_EQ(tm.tmInternalLeading, tm.tmHeight - 11);
    EXPECT_EQ(tm.tmAveCharWidth, Extent(canvas.dc(), "x").cx);
    EXPECT_EQ(tm.tmWeight, FW_NORMAL);
    EXPECT_EQ(Extent(canvas.dc(), "Hello").cy, tm.tmHeight);
    // A positive height is the cell height.
    HFONT cell = MakeFont(20);
    HGDIOBJ previous = SelectObject(canvas.dc(), cell);
    GetTextMetrics(canvas.dc(), &tm);
    EXPECT_NEAR(tm.tmHeight, 20, 1);
    SelectObject(canvas.dc(), previous);
    DeleteObject(cell);
    EXPECT_EQ(MakeFont(100000), nullptr);
    ExpectRefused(1);
}

TEST_F(GdiText, Extent_EndsAtTheLastInkColumnAndAddsUp) {
    Canvas whole(80, 20);
    Prepare(whole.dc());
    TextOut(whole.dc(), 0, 0, "Hello", 5);
    const Ink ink = InkOf(whole);
    const SIZE extent = Extent(whole.dc(), "Hello");
    EXPECT_LT(ink.right, extent.cx);
    EXPECT_GE(ink.right, extent.cx - 2);
    EXPECT_EQ(ink.left, 1);
    // No kerning: the parts drawn one after the other make the whole.
    Canvas parts(80, 20);
    Prepare(parts.dc());
    TextOut(parts.dc(), 0, 0, "He", 2);
    TextOut(parts.dc(), Extent(parts.dc(), "He").cx, 0, "llo", 3);
    EXPECT_EQ(parts.Pixels(), whole.Pixels());
    EXPECT_EQ(Extent(whole.dc(), "He").cx + Extent(whole.dc(), "llo").cx, extent.cx);
}

TEST_F(GdiText, ExtentEx_GivesEachPrefixsExtentAndHowManyFit) {
    Canvas canvas(4, 4);
    Prepare(canvas.dc());
    const std::string text = "Wi\tl\x01l\xFC ..";
    const int length = static_cast<int>(text.size());
    std::vector<int> extents(text.size());
    for (int limit : {-1, 0, 10, 25, 1000}) {
        SCOPED_TRACE(limit);
        int fit = -1;
        SIZE size{};
        ASSERT_EQ(GetTextExtentExPoint(canvas.dc(), text.data(), length, limit, &fit, extents.data(), &size), TRUE);
        int expected_fit = 0;
        for (int i = 0; i < length; ++i) {
            const int prefix = Extent(canvas.dc(), text.substr(0, static_cast<std::size_t>(i) + 1)).cx;
            EXPECT_EQ(extents[static_cast<std::size_t>(i)], prefix) << i;
            expected_fit += expected_fit == i && prefix <= limit ? 1 : 0;
        }
        EXPECT_EQ(fit, expected_fit);
        EXPECT_EQ(size.cx, Extent(canvas.dc(), text).cx);
        EXPECT_EQ(size.cy, Extent(canvas.dc(), text).cy);
    }
    int fit = -1;
    EXPECT_EQ(GetTextExtentExPoint(canvas.dc(), "", 0, 5, &fit, nullptr, nullptr), TRUE);
    EXPECT_EQ(fit, 0);
    EXPECT_EQ(GetTextExtentExPoint(canvas.dc(), nullptr, 2, 5, &fit, nullptr, nullptr), FALSE);
    EXPECT_EQ(GetTextExtentExPoint(nullptr, "ab", 2, 5, &fit, nullptr, nullptr), FALSE);
}

TEST_F(GdiText, DrawText_CentredSingleLineEqualsTextOutAtTheCentre) {
    Canvas drawn(100, 40);
    Prepare(drawn.dc());
    RECT rect{0, 0, 100, 40};
    const int height = DrawText(drawn.dc(), "Middle", -1, &rect, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    TEXTMETRIC tm;
    GetTextMetrics(drawn.dc(), &tm);
    EXPECT_EQ(height, tm.tmHeight);
    const SIZE extent = Extent(drawn.dc(), "Middle");
    const int x = (100 - extent.cx) / 2;
    const int y = (40 - tm.tmHeight) / 2;
    EXPECT_LE(std::abs(2 * x + extent.cx - 100), 1);
    EXPECT_LE(std::abs(2 * y + tm.tmHeight - 40), 1);
    Canvas expected(100, 40);
    Prepare(expected.dc());
    TextOut(expected.dc(), x, y, "Middle", 6);
    EXPECT_EQ(drawn.Pixels(), expected.Pixels());
    // Right and bottom.
    Canvas corner(100, 40);
    Prepare(corner.dc());
    DrawText(corner.dc(), "Middle", -1, &rect, DT_RIGHT | DT_BOTTOM | DT_SINGLELINE);
    Canvas corner_expected(100, 40);
    Prepare(corner_expected.dc());
    TextOut(corner_expected.dc(), 100 - extent.cx, 40 - tm.tmHeight, "Middle", 6);
    EXPECT_EQ(corner.Pixels(), corner_expected.Pixels());
}

TEST_F(GdiText, DrawText_PrefixesUnderlineAndDoubleAmpersandsShowOne) {
    Canvas prefixed(60, 20);
    Prepare(prefixed.dc());
    RECT rect{0, 0, 60, 20};
    DrawText(prefixed.dc(), "&File", -1, &rect, DT_SINGLELINE);
    Canvas plain(60, 20);
    Prepare(plain.dc());
    TextOut(plain.dc(), 0, 0, "File", 4);
    // The only difference is a line under the F, below the baseline.
    TEXTMETRIC tm;
    GetTextMetrics(plain.dc(), &tm);
    const int f_width = Extent(plain.dc(), "F").cx;
    const auto a = prefixed.Pixels();
    const auto b = plain.Pixels();
    int differing = 0;
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 60; ++x)
            if (a[static_cast<std::size_t>(y * 60 + x)] != b[static_cast<std::size_t>(y * 60 + x)]) {
                ++differing;
                EXPECT_LT(x, f_width);
                EXPECT_GE(y, tm.tmAscent);
            }
    EXPECT_GT(differing, 0);

    const struct {
        const char* text;
        UINT format;
        const char* shown;
    } cases[] = {{"A&&B", 0, "A&B"}, {"AB&", 0, "AB"}, {"&File", DT_NOPREFIX, "&File"}, {"x&&&&y", 0, "x&&y"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        Canvas drawn(60, 20);
        Prepare(drawn.dc());
        DrawText(drawn.dc(), c.text, -1, &rect, DT_SINGLELINE | c.format);
        Canvas expected(60, 20);
        Prepare(expected.dc());
        TextOut(expected.dc(), 0, 0, c.shown, static_cast<int>(std::strlen(c.shown)));
        EXPECT_EQ(drawn.Pixels(), expected.Pixels());
    }
}

TEST_F(GdiText, DrawText_WordBreakAndCalcRectAgree) {
    const char* text = "the quick brown fox jumps over the extraordinarily lazy dog";
    Canvas canvas(120, 120);
    Prepare(canvas.dc());
    RECT measured{10, 5, 70, 5};
    const int calc_height = DrawText(canvas.dc(), text, -1, &measured, DT_WORDBREAK | DT_CALCRECT);
    EXPECT_EQ(InkOf(canvas).count, 0);
    TEXTMETRIC tm;
    GetTextMetrics(canvas.dc(), &tm);
    EXPECT_EQ(calc_height % tm.tmHeight, 0);
    EXPECT_GE(calc_height / tm.tmHeight, 4);
    EXPECT_EQ(measured.bottom - measured.top, calc_height);
    // "extraordinarily" is wider than the line and keeps a line of its own.
    EXPECT_GT(measured.right, 70);
    RECT rect{10, 5, 70, 115};
    EXPECT_EQ(DrawText(canvas.dc(), text, -1, &rect, DT_WORDBREAK), calc_height);
    const Ink ink = InkOf(canvas);
    EXPECT_GE(ink.left, 10);
    EXPECT_LT(ink.right, 70);
    EXPECT_GE(ink.top, 5);
    EXPECT_LT(ink.bottom, 5 + calc_height);
    EXPECT_GE(ink.bottom, 5 + calc_height - tm.tmHeight);
    // Line breaks: "\n" and "\r\n", unless single line.
    RECT lines{0, 0, 100, 0};
    EXPECT_EQ(DrawText(canvas.dc(), "a\nb\r\nc", -1, &lines, DT_CALCRECT), 3 * tm.tmHeight);
    EXPECT_EQ(DrawText(canvas.dc(), "a\nb\r\nc", -1, &lines, DT_CALCRECT | DT_SINGLELINE), tm.tmHeight);
}

TEST_F(GdiText, DrawText_ExpandTabsToStopsOfAverageWidths) {
    for (const UINT tab_stop : {0u, 4u}) {
        SCOPED_TRACE(tab_stop);
        Canvas tabbed(120, 20);
        Prepare(tabbed.dc());
        RECT rect{0, 0, 120, 20};
        const UINT format = DT_SINGLELINE | DT_EXPANDTABS | (tab_stop ? DT_TABSTOP | (tab_stop << 8) : 0);
        DrawText(tabbed.dc(), "a\tb", -1, &rect, format);
        TEXTMETRIC tm;
        GetTextMetrics(tabbed.dc(), &tm);
        Canvas expected(120, 20);
        Prepare(expected.dc());
        TextOut(expected.dc(), 0, 0, "a", 1);
        TextOut(expected.dc(), (tab_stop ? 4 : 8) * tm.tmAveCharWidth, 0, "b", 1);
        EXPECT_EQ(tabbed.Pixels(), expected.Pixels());
    }
}

TEST_F(GdiText, Text_Windows1252DrawsAndBoldIsWider) {
    Canvas umlaut(20, 20);
    Prepare(umlaut.dc());
    TextOut(umlaut.dc(), 0, 0, "\xE4", 1);
    Canvas plain(20, 20);
    Prepare(plain.dc());
    TextOut(plain.dc(), 0, 0, "a", 1);
    EXPECT_GT(InkOf(umlaut).count, InkOf(plain).count);
    EXPECT_LT(InkOf(umlaut).top, InkOf(plain).top);

    HFONT bold = MakeFont(-11, FW_BOLD);
    SIZE normal_size = Extent(plain.dc(), "Hello world");
    HGDIOBJ previous = SelectObject(plain.dc(), bold);
    EXPECT_GT(Extent(plain.dc(), "Hello world").cx, normal_size.cx);
    SelectObject(plain.dc(), previous);
    DeleteObject(bold);
}

TEST_F(GdiText, Escapement900_DrawsUpwardsFromTheReferencePoint) {
    Canvas canvas(40, 90);
    SetBkMode(canvas.dc(), TRANSPARENT);
    HFONT upwards = MakeFont(-11, FW_NORMAL, "Tahoma", 900);
    HGDIOBJ previous = SelectObject(canvas.dc(), upwards);
    TextOut(canvas.dc(), 10, 80, "Hello", 5);
    const SIZE extent = Extent(canvas.dc(), "Hello");
    TEXTMETRIC tm;
    GetTextMetrics(canvas.dc(), &tm);
    const Ink ink = InkOf(canvas);
    EXPECT_GT(ink.bottom - ink.top, ink.right - ink.left);
    EXPECT_LE(ink.bottom, 80);
    EXPECT_GE(ink.top, 80 - extent.cx);
    EXPECT_GE(ink.bottom - ink.top, extent.cx - 4);
    EXPECT_GE(ink.left, 10);
    EXPECT_LT(ink.right, 10 + tm.tmHeight);
    SelectObject(canvas.dc(), previous);
    DeleteObject(upwards);
}

TEST_F(GdiText, Opaque_FillsTheTextBoxWithTheBackgroundColour) {
    Canvas canvas(60, 20);
    SelectObject(canvas.dc(), GetStockObject(DEFAULT_GUI_FONT));
    SetBkColor(canvas.dc(), RGB(255, 0, 0));
    TextOut(canvas.dc(), 2, 1, "Hi", 2);
    const SIZE extent = Extent(canvas.dc(), "Hi");
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 60; ++x) {
            const bool in_box = x >= 2 && x < 2 + extent.cx && y >= 1 && y < 1 + extent.cy;
            const COLORREF color = canvas.At(x, y);
            if (in_box) {
                EXPECT_TRUE(color == RGB(255, 0, 0) || color == 0) << x << "," << y;
            } else {
                EXPECT_EQ(color, kWhite) << x << "," << y;
            }
        }
    // DrawText fills each line's own box.
    Canvas lines(60, 40);
    SelectObject(lines.dc(), GetStockObject(DEFAULT_GUI_FONT));
    SetBkColor(lines.dc(), RGB(255, 0, 0));
    RECT rect{0, 0, 60, 40};
    DrawText(lines.dc(), "W\nWWW", -1, &rect, 0);
    EXPECT_EQ(lines.At(Extent(lines.dc(), "W").cx, 0), kWhite);
    EXPECT_NE(lines.At(Extent(lines.dc(), "W").cx, extent.cy), kWhite);
}

TEST_F(GdiText, Text_MatchesItsGoldenPicture) {
    Canvas canvas(160, 68, GetSysColor(COLOR_BTNFACE));
    HDC dc = canvas.dc();
    SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
    SetBkMode(dc, TRANSPARENT);
    RECT rect{4, 2, 156, 18};
    DrawText(dc, "&File  &Edit  Caf\xE9 \x80 5", -1, &rect, DT_SINGLELINE | DT_VCENTER);
    LOGFONT logfont;
    logfont.lfHeight = -13;
    logfont.lfWeight = FW_BOLD;
    logfont.lfItalic = 1;
    logfont.lfUnderline = 1;
    std::strcpy(logfont.lfFaceName, "Times New Roman");
    HFONT serif = CreateFontIndirect(&logfont);
    HGDIOBJ previous = SelectObject(dc, serif);
    SetTextColor(dc, RGB(0, 60, 116));
    TextOut(dc, 4, 20, "Bold italic serif", 17);
    HFONT mono = MakeFont(-11, FW_NORMAL, "Courier New");
    SelectObject(dc, mono);
    SetBkMode(dc, OPAQUE);
    SetBkColor(dc, RGB(255, 255, 225));
    RECT lines{4, 38, 156, 66};
    DrawText(dc, "mono\tcolumn\nright", -1, &lines, DT_EXPANDTABS | DT_RIGHT);
    SelectObject(dc, previous);
    DeleteObject(serif);
    DeleteObject(mono);
    EXPECT_TRUE(MatchesGolden(canvas.bitmap(), "platform/gdi", "text"));
}
