#include "controls/control_font.h"
#include "support/wnd_test_support.h"

#include <cstdio>
#include <limits>

namespace {

TEST(ControlFontHeight, MagnifiesTowardZeroAndSaturates) {
    struct Case {
        LONG height;
        float magnify;
        LONG expected;
    };
    const Case cases[] = {
        {-11, 1.5f, -16},
        {11, 1.5f, 16},
        {-11, 0.5f, -5},
        {-11, 1e12f, std::numeric_limits<std::int32_t>::min()},
        {11, 1e12f, std::numeric_limits<std::int32_t>::max()},
        {-11, std::numeric_limits<float>::infinity(), std::numeric_limits<std::int32_t>::min()},
        {-11, std::numeric_limits<float>::quiet_NaN(), -11},
    };
    for (const Case& entry : cases) {
        SCOPED_TRACE(entry.magnify);
        EXPECT_EQ(KvMagnifiedFontHeight(entry.height, entry.magnify), entry.expected);
    }
}

class ControlFontTest : public WndTest {
protected:
    void SetUp() override {
        WndTest::SetUp();
        Class("ControlFontHost");
        ASSERT_TRUE(parent_.CreateEx(0, "ControlFontHost", "", WS_POPUP, 0, 0, 50, 50, nullptr, nullptr));
        LOGFONT description{};
        description.lfHeight = -11;
        description.lfItalic = 1;
        std::snprintf(description.lfFaceName, sizeof description.lfFaceName, "%s", "DejaVu Sans");
        ASSERT_TRUE(parent_font_.CreateFontIndirect(&description));
    }
    void TearDown() override {
        parent_.DestroyWindow();
        font_.DeleteObject();
        parent_font_.DeleteObject();
        WndTest::TearDown();
    }
    LOGFONT Made() {
        LOGFONT description{};
        ::GetObject(font_.m_hObject, sizeof description, &description);
        return description;
    }

    CWnd parent_;
    CFont parent_font_;
    CFont font_;
};

TEST_F(ControlFontTest, ParentWithoutFontFailsAndALaterCallTriesAgain) {
    EXPECT_EQ(KvCreateControlFont(font_, parent_.m_hWnd, 400, 1.0f), KV_E_FAIL);
    EXPECT_EQ(KvCreateControlFont(font_, nullptr, 400, 1.0f), KV_E_FAIL);
    EXPECT_EQ(font_.m_hObject, nullptr);
    parent_.SetFont(&parent_font_, FALSE);
    EXPECT_EQ(KvCreateControlFont(font_, parent_.m_hWnd, 700, 1.5f, 0x2 | 0x4, 900), KV_OK);
    const LOGFONT made = Made();
    EXPECT_EQ(made.lfHeight, -16);
    EXPECT_EQ(made.lfWeight, 700);
    EXPECT_EQ(made.lfItalic, 0);
    EXPECT_EQ(made.lfUnderline, 1);
    EXPECT_EQ(made.lfStrikeOut, 1);
    EXPECT_EQ(made.lfEscapement, 900);
    const HGDIOBJ first = font_.m_hObject;
    EXPECT_EQ(KvCreateControlFont(font_, parent_.m_hWnd, 400, 1.0f), KV_OK);  // made once
    EXPECT_EQ(font_.m_hObject, first);
}

}  // namespace
