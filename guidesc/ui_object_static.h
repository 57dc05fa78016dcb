#pragma once
// CKvUIObjectStatic: the description of a "UIOBJECTSTATIC" element, a skinned static
// text or image field. Most keys are read as the document stores them.

#include "guidesc/ui_object.h"
#include "guidesc/ui_object_accessors.h"

#include <string>

class CKvUIObjectStatic : public CKvUIObject,
                          public UIFaceAccessors<CKvUIObjectStatic>,
                          public UIImageAreaAccessors<CKvUIObjectStatic> {
public:
    CKvUIObjectStatic(CKvUIObjectCatalog* owner, std::uint32_t id, const char* identifier);
    // Copies what the static control shows: owner, numeric id, geometry,
    // colours, text, font and window style values, "anchoridentifier", the
    // round edges, background image, its flags, the colours and "style". The
    // edge and button flags and the image area stay this object's own.
    CKvUIObjectStatic& operator=(const CKvUIObjectStatic& other);
    // A new description (no owner, id 0, no identifier) assigned from the
    // other, as Clone makes it.
    CKvUIObjectStatic(const CKvUIObjectStatic& other) : CKvUIObjectStatic(nullptr, 0, nullptr) {
        *this = other;
    }

    // The own properties but "style" and the background image's resource id,
    // the text style and "anchoridentifier"; the other base properties stay.
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
    KvResult SetStyleText(const std::string& text) { return style_.SetText(text); }
    KvResult SetStyle(std::uint32_t value) { return style_.FormatText(value); }
    std::uint32_t GetStyle() const { return style_.GetValue(); }
    std::string& GetStyleText(std::string& out) const { return style_.GetText(out); }

protected:
    const Form& GetForm() const override;

private:
    template <typename> friend class UIBackgroundAccessors;
    template <typename> friend class UIFaceAccessors;
    template <typename> friend class UIImageAreaAccessors;
    KV_UI_FACE_MEMBERS
    KV_UI_IMAGE_AREA_MEMBERS
    COLORREF background_color_range_start_ = kWhite;
    DialogStyleTable style_;
};
