#pragma once
// Shared pieces of the skinned control tests: a GUI description catalog from
// a text, a temporary folder for image files, BMP files of 32-bit pixels and
// a parent dialog with a font.

#include "bmp_writer.h"
#include "framework/job_id.h"
#include "guidesc/ui_object_catalog.h"
#include "platform/mfc/mfc_dialog.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

namespace skin {

// A folder of the test's own with its "Themes" and "Images" folders; removed
// with everything in it.
class TempFolder {
public:
    TempFolder() {
        path_ =
            std::filesystem::temp_directory_path() / ("kv_skin_" + std::to_string(TakeNextJobId()));
        std::filesystem::create_directories(path_ / "Themes");
        std::filesystem::create_directories(path_ / "Images");
    }
    ~TempFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    std::string Path() const { return path_.string(); }
    void Write(const std::string& relative, const std::string& bytes) const {
        std::ofstream(path_ / relative, std::ios::binary) << bytes;
    }

private:
    std::filesystem::path path_;
};

// A 32-bit BMP file; pixel(x, y) gives 0x00RRGGBB, y from the top.
template <class Pixel> std::string Bmp32(int width, int height, Pixel pixel) {
    bmp::Header header;
    header.width = width;
    header.height = height;
    header.bits = 32;
    return bmp::File(header, bmp::Pixels(width, height, 32, pixel));
}
inline std::string SolidBmp(int width, int height, std::uint32_t rgb) {
    return Bmp32(width, height, [rgb](int, int) { return rgb; });
}

// Registers every type and reads each section of the text; the folder is
// where image files are looked for.
inline void LoadCatalog(CKvUIObjectCatalog& catalog, const std::string& xml,
                        const std::string& folder = {}) {
    ASSERT_EQ(catalog.RegisterTypes(), KV_OK);
    XmlDocument document;
    ASSERT_EQ(document.Parse(xml), KV_OK);
    for (std::uint32_t code = kUIObjectDialog; code <= kUIObjectButtonGroupLine; ++code)
        catalog.ReadType(document, code);
    catalog.GetFolder() = folder;
}

// One element with its properties, given as "key=value;key=value", as text
// elements.
inline std::string Element(const std::string& tag, const std::string& identifier,
                           const std::string& properties) {
    std::string text = "<" + tag + " identifier=\"" + identifier + "\">";
    for (std::size_t start = 0; start < properties.size();) {
        std::size_t end = properties.find(';', start);
        if (end == std::string::npos)
            end = properties.size();
        const std::string item = properties.substr(start, end - start);
        const std::size_t equals = item.find('=');
        if (equals != std::string::npos) {
            const std::string key = item.substr(0, equals);
            text += "<" + key + ">" + item.substr(equals + 1) + "</" + key + ">";
        }
        start = end + 1;
    }
    return text + "</" + tag + ">";
}
inline std::string Section(const std::string& tag, const std::string& elements) {
    return "<catalog_" + tag + ">" + elements + "</catalog_" + tag + ">";
}

// A visible popup dialog of width x height pixels at (0, 0), with the
// default dialog font; it paints its client area in one colour.
class ParentDialog : public CDialog {
public:
    ParentDialog(int width, int height, COLORREF fill = RGB(10, 20, 30)) : fill_(fill) {
        // 1.5 x 1.625 pixels per dialog unit.
        const std::string bytes =
            BuildDialogTemplate(WS_POPUP | WS_VISIBLE, 0, 0, 0, static_cast<short>(width * 2 / 3),
                                static_cast<short>(height * 8 / 13), "Parent");
        EXPECT_TRUE(CreateIndirect(bytes.data(), bytes.size()));
    }
    ~ParentDialog() override { DestroyWindow(); }

protected:
    BOOL OnEraseBkgnd(CDC* pDC) override {
        CRect client;
        GetClientRect(&client);
        pDC->FillSolidRect(&client, fill_);
        return TRUE;
    }

private:
    COLORREF fill_;
};

} // namespace skin
