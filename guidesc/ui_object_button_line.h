#pragma once
// CKvUIObjectButtonLine: the description of a "UIOBJECTBUTTONLINE" element, a line of
// equally sized buttons with an optional scroll bar.

#include "guidesc/ui_object.h"
#include "guidesc/ui_object_accessors.h"

#include <string>

class CKvUIObjectButtonLine : public CKvUIObject {
public:
    CKvUIObjectButtonLine(CKvUIObjectCatalog* owner, std::uint32_t id, const char* identifier);
    // Copies the owner, numeric id, "fontescapement", "fontstyle",
    // "textstyle" and the own properties but "style".
    CKvUIObjectButtonLine& operator=(const CKvUIObjectButtonLine& other);

    // The own properties but "style"; the base's stay.
    void Reset() override;
    BOOL Clone(CKvUIObject*& out) const override { return CloneAs(*this, out); }
    BOOL CopyTo(CKvUIObject* target) const override { return CopyAs(*this, target); }

    KV_UI_FACE_ACCESSORS
    KV_UI_IMAGE_AREA_ACCESSORS
    KV_UI_TEXT_AREA_ACCESSORS
    KV_UI_COLOR_ACCESSORS(BackgroundColorRangeStart, background_color_range_start_)
    KV_UI_INT_ACCESSORS(ButtonWidth, button_width_)
    KV_UI_INT_ACCESSORS(ButtonHeight, button_height_)
    KV_UI_UINT_ACCESSORS(ButtonViewableCount, button_viewable_count_)
    KV_UI_UINT_ACCESSORS(ButtonSpace, button_space_)
    KV_UI_STYLE_ACCESSORS(Style, style_)
    KV_UI_UINT_ACCESSORS(ScrollbarSpace, scrollbar_space_)
    KV_UI_UINT_ACCESSORS(ScrollbarThickness, scrollbar_thickness_)

protected:
    const Form& GetForm() const override;

private:
    KV_UI_FACE_MEMBERS
    KV_UI_IMAGE_AREA_MEMBERS
    KV_UI_TEXT_AREA_MEMBERS
    COLORREF background_color_range_start_ = kWhite;
    std::int32_t button_width_ = 0;
    std::int32_t button_height_ = 0;
    std::uint32_t button_viewable_count_ = 0;
    std::uint32_t button_space_ = 0;
    ButtonLineStyleTable style_;
    std::uint32_t scrollbar_space_ = 0;
    std::uint32_t scrollbar_thickness_ = 0;
};
