#pragma once
// CKvUIObjectCheckBox: the description of a "UIOBJECTCHECKBOX" element, a check box
// with a caption, rounded edges and an image area.

#include "guidesc/ui_object.h"
#include "guidesc/ui_object_accessors.h"

#include <string>

class CKvUIObjectCheckBox : public CKvUIObject,
                            public UIFaceAccessors<CKvUIObjectCheckBox>,
                            public UIImageAreaAccessors<CKvUIObjectCheckBox> {
public:
    CKvUIObjectCheckBox(CKvUIObjectCatalog* owner, std::uint32_t id, const char* identifier);
    // Copies the own properties (not the background image's resource id),
    // the tooltip, "anchoridentifier", text, "uiid", "textmagnify" and the
    // keyword values; identifier, geometry, the three colours, child
    // identifiers and "windowstyleex" stay this object's own.
    CKvUIObjectCheckBox& operator=(const CKvUIObjectCheckBox& other);
    // A new description (no owner, id 0, no identifier) assigned from the
    // other, as Clone makes it.
    CKvUIObjectCheckBox(const CKvUIObjectCheckBox& other)
        : CKvUIObjectCheckBox(nullptr, 0, nullptr) {
        *this = other;
    }

    // The own properties but the background image's resource id, the
    // tooltip and "anchoridentifier"; the other base properties stay.
    void Reset() override;
    BOOL Clone(CKvUIObject*& out) const override { return CloneAs(*this, out); }
    BOOL CopyTo(CKvUIObject* target) const override { return CopyAs(*this, target); }

    KvResult SetBackgroundColorRangeStartText(const std::string& text) {
        return SetColorField(background_color_range_start_, text);
    }
    std::string& GetBackgroundColorRangeStartText(std::string& out) const {
        return FormatColor(out, background_color_range_start_);
    }
    COLORREF& GetBackgroundColorRangeStart() { return background_color_range_start_; }

protected:
    const Form& GetForm() const override;

private:
    template <typename> friend class UIBackgroundAccessors;
    template <typename> friend class UIFaceAccessors;
    template <typename> friend class UIImageAreaAccessors;
    KV_UI_FACE_MEMBERS
    KV_UI_IMAGE_AREA_MEMBERS
    COLORREF background_color_range_start_ = kWhite;
};
