#include "controls/control_description.h"
#include "guidesc/ui_object_static.h"

#include "skin_test_support.h"
#include "support/gui_test_support.h"

#include <cmath>
#include <limits>

namespace {

TEST(ControlDescription, RectanglesAreOnePixelSmallerAndWrap) {
    CRect window, client;
    KvDescriptionRects(10, 10, 100, 20, window, client);
    EXPECT_EQ(window, CRect(10, 10, 109, 29));
    EXPECT_EQ(client, CRect(0, 0, 99, 19));
    constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();
    KvDescriptionRects(kMax, 0, 2, 0, window, client);
    EXPECT_EQ(window.right, std::numeric_limits<std::int32_t>::min());
    EXPECT_EQ(window.bottom, -1);
    EXPECT_EQ(client.bottom, -1);
}

TEST(ControlDescription, FontHeightScalesTowardZeroAndSaturates) {
    EXPECT_EQ(KvScaleFontHeight(-11, 1.5f), -16);
    EXPECT_EQ(KvScaleFontHeight(11, 1.5f), 16);
    EXPECT_EQ(KvScaleFontHeight(-11, 1e30f), std::numeric_limits<LONG>::min());
    EXPECT_EQ(KvScaleFontHeight(11, 1e30f), std::numeric_limits<LONG>::max());
    EXPECT_EQ(KvScaleFontHeight(11, -std::numeric_limits<float>::infinity()),
              std::numeric_limits<LONG>::min());
    EXPECT_EQ(KvScaleFontHeight(11, std::nanf("")), 11);
}

TEST(ControlDescription, ImagePathsFollowTheFolderRules) {
    EXPECT_EQ(KvThemeImageFolder(), "Themes\\");
    EXPECT_EQ(KvImageFolder(), "Images\\");
    EXPECT_EQ(KvImagePath("C:\\gui", "a.bmp", KvThemeImageFolder()), "C:\\gui\\Themes\\a.bmp");
    EXPECT_EQ(KvImagePath("C:\\gui", "\\a.bmp", KvThemeImageFolder()), "C:\\gui\\a.bmp");
    EXPECT_EQ(KvImagePath("C:\\gui", "a.bmp", KvImageFolder()), "C:\\gui\\Images\\a.bmp");
}

TEST(ControlDescription, LookUpIsByTypeAndExactIdentifier) {
    CKvUIObjectCatalog catalog;
    skin::LoadCatalog(
        catalog,
        "<GUI>" +
            skin::Section("UIOBJECTSTATIC",
                          skin::Element("UIOBJECTSTATIC", "S", {{"width", "1"}})) +
            skin::Section("UIOBJECTSTRING",
                          skin::Element("UIOBJECTSTRING", "UIObjString_T", {{"text", "T"}})) +
            "</GUI>");
    CKvUIObjectStatic part(&catalog, 0, "S");
    CKvUIObject* found = nullptr;
    EXPECT_EQ(KvFindDescription(part, kUIObjectStatic, found), KV_OK);
    EXPECT_NE(found, nullptr);
    EXPECT_EQ(KvFindDescription(part, kUIObjectStaticGroupBox, found), KV_E_FAIL);
    EXPECT_EQ(found, nullptr);
    part.GetIdentifier() = "s";
    EXPECT_EQ(KvFindDescription(part, kUIObjectStatic, found), KV_E_FAIL);

    std::string text = "UIObjString_T";
    EXPECT_TRUE(KvResolveText(&catalog, text));
    EXPECT_EQ(text, "T");
    text = "UIObjString_X";
    EXPECT_FALSE(KvResolveText(&catalog, text));
    EXPECT_EQ(text, "UIObjString_X");
    EXPECT_FALSE(KvResolveText(nullptr, text));
}

class ControlImageTest : public GdiTest {};

TEST_F(ControlImageTest, ImagesComeFromResourcesOrTheCatalogsFolder) {
    skin::TempFolder folder;
    folder.Write("Themes/face.bmp", skin::SolidBmp(3, 2, 0x102030));
    CKvUIObjectCatalog catalog;
    catalog.GetFolder() = folder.Path();
    CKvBitmap bitmap;
    const std::string file = "FACE.bmp";
    EXPECT_EQ(KvLoadDescriptionImage(bitmap, KvImageSource{file, 0, false}, nullptr,
                                     KvThemeImageFolder(), nullptr),
              KV_E_FAIL);
    EXPECT_EQ(KvLoadDescriptionImage(bitmap, KvImageSource{file, 0, false}, &catalog,
                                     KvThemeImageFolder(), nullptr),
              KV_OK);
    EXPECT_EQ(bitmap.GetWidth(), 3);
    const std::string none;
    CKvBitmap untouched;
    EXPECT_EQ(KvLoadDescriptionImage(untouched, KvImageSource{none, 5, false}, &catalog,
                                     KvImageFolder(), nullptr),
              KV_OK);
    EXPECT_EQ(untouched.GetSafeHandle(), nullptr);
    const std::string id = "70000";
    EXPECT_TRUE(KvFailed(KvLoadDescriptionImage(untouched, KvImageSource{id, 70000, false},
                                                &catalog, KvImageFolder(), nullptr)));
    EXPECT_EQ(untouched.GetSafeHandle(), nullptr);
}

} // namespace
