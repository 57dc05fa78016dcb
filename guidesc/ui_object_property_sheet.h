#pragma once
// CKvUIObjectPropertySheet: the description of a "UIOBJECTPROPERTYSHEET"
// element, the place, size and colours of a skinned property sheet.

#include "guidesc/ui_object.h"
#include "guidesc/ui_object_accessors.h"

#include <string>

class CKvUIObjectPropertySheet : public CKvUIObject,
                                 public UIFaceAccessors<CKvUIObjectPropertySheet>,
                                 public UIImageAreaAccessors<CKvUIObjectPropertySheet> {
public:
    CKvUIObjectPropertySheet(CKvUIObjectCatalog* owner, std::uint32_t id, const char* identifier);
    // Copies what the sheet shows: owner, numeric id, geometry, the colours,
    // the round edges, background image and its flags, text, window style,
    // uiid, font and text style values and "anchoridentifier". The
    // identifier, child identifiers, edge and button flags and the image area
    // stay this object's own.
    CKvUIObjectPropertySheet& operator=(const CKvUIObjectPropertySheet& other);
    // A new description (no owner, id 0, no identifier) assigned from the
    // other, as Clone makes it.
    CKvUIObjectPropertySheet(const CKvUIObjectPropertySheet& other)
        : CKvUIObjectPropertySheet(nullptr, 0, nullptr) {
        *this = other;
    }

    // Every own property and "anchoridentifier"; the other base properties
    // stay.
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
