#pragma once
// CKvUIObjectButtonGroupLine: the description of a "UIOBJECTBUTTONGROUPLINE" element, the
// button line with a list of button identifiers.

#include "core/bounded_string_list.h"
#include "guidesc/ui_object.h"
#include "guidesc/ui_object_accessors.h"

#include <string>

class CKvUIObjectButtonGroupLine : public CKvUIObject {
public:
    CKvUIObjectButtonGroupLine(CKvUIObjectCatalog* owner, std::uint32_t id, const char* identifier);
    // Copies the owner, numeric id, "fontescapement", "fontstyle",
    // "textstyle" and the own properties but "style"; the button identifier
    // list becomes a copy of the other's.
    CKvUIObjectButtonGroupLine& operator=(const CKvUIObjectButtonGroupLine& other);

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
    // At most 50 entries; a second "buttonidentifierlist" appends.
    BoundedStringList& GetButtonIdentifierList() { return button_identifier_list_; }
    KvResult SetButtonIdentifierListText(const std::string& text) {
        return button_identifier_list_.SetFromText(text);
    }
    std::string& GetButtonIdentifierListText(std::string& out) {
        return button_identifier_list_.GetText(out);
    }
    KV_UI_EXACT_FLAG_ACCESSORS(ScrollbarFlipSide, scrollbar_flip_side_)

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
    BoundedStringList button_identifier_list_;
    BoolValue scrollbar_flip_side_;
};
