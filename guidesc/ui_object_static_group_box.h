#pragma once
// CKvUIObjectStaticGroupBox: the description of a "UIOBJECTSTATICGROUPBOX" element, a
// frame with a caption drawn in a pen colour.

#include "guidesc/ui_object.h"
#include "guidesc/ui_object_accessors.h"

#include <string>

class CKvUIObjectStaticGroupBox : public CKvUIObject,
                                  public UIFaceAccessors<CKvUIObjectStaticGroupBox>,
                                  public UIImageAreaAccessors<CKvUIObjectStaticGroupBox> {
public:
    CKvUIObjectStaticGroupBox(CKvUIObjectCatalog* owner, std::uint32_t id, const char* identifier);
    // Copies what the group box draws with: owner, numeric id, geometry,
    // "anchoridentifier", text, "textmagnify", "textcolor", "uiid", the round
    // edges and the pen colour. Everything else stays this object's own.
    CKvUIObjectStaticGroupBox& operator=(const CKvUIObjectStaticGroupBox& other);
    // A new description (no owner, id 0, no identifier) assigned from the
    // other, as Clone makes it.
    CKvUIObjectStaticGroupBox(const CKvUIObjectStaticGroupBox& other)
        : CKvUIObjectStaticGroupBox(nullptr, 0, nullptr) {
        *this = other;
    }

    // The own properties but the background image's resource id, and
    // "anchoridentifier"; the other base properties stay.
    void Reset() override;
    BOOL Clone(CKvUIObject*& out) const override { return CloneAs(*this, out); }
    BOOL CopyTo(CKvUIObject* target) const override { return CopyAs(*this, target); }

    KvResult SetPenColorText(const std::string& text) { return SetColorField(pen_color_, text); }
    std::string& GetPenColorText(std::string& out) const { return FormatColor(out, pen_color_); }
    COLORREF& GetPenColor() { return pen_color_; }

protected:
    const Form& GetForm() const override;

private:
    template <typename> friend class UIBackgroundAccessors;
    template <typename> friend class UIFaceAccessors;
    template <typename> friend class UIImageAreaAccessors;
    static constexpr COLORREF kDefaultPenColor = 0xC8D0D4;

    KV_UI_FACE_MEMBERS
    KV_UI_IMAGE_AREA_MEMBERS
    COLORREF pen_color_ = kDefaultPenColor;
};
