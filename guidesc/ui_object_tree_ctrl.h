#pragma once
// CKvUIObjectTreeCtrl: the description of a "UIOBJECTTREECTRL" element. The
// catalog registers the type and creates objects for it, but the loader reads
// no such elements and no control embeds one.

#include "guidesc/ui_object.h"
#include "guidesc/ui_object_accessors.h"

#include <string>

class CKvUIObjectTreeCtrl : public CKvUIObject {
public:
    CKvUIObjectTreeCtrl(CKvUIObjectCatalog* owner, std::uint32_t id, const char* identifier);
    // Copies the base (not the identifier, the child identifier set, the
    // tooltip or "text2") and the tree style; the face, image area,
    // background image and input flags stay this object's own.
    CKvUIObjectTreeCtrl& operator=(const CKvUIObjectTreeCtrl& other);
    // A new description (no owner, id 0, no identifier) assigned from the
    // other, as Clone makes it.
    CKvUIObjectTreeCtrl(const CKvUIObjectTreeCtrl& other)
        : CKvUIObjectTreeCtrl(nullptr, 0, nullptr) {
        *this = other;
    }

    // Every base property back to its default (owner and identifier
    // included, the child identifier limit 0) but the tooltip, and every own
    // property but the tree style and the background image's resource id.
    void Reset() override;
    BOOL Clone(CKvUIObject*& out) const override { return CloneAs(*this, out); }
    BOOL CopyTo(CKvUIObject* target) const override { return CopyAs(*this, target); }

    KV_UI_FACE_ACCESSORS
    KV_UI_IMAGE_AREA_ACCESSORS
    KV_UI_COLOR_ACCESSORS(BackgroundColorRangeStart, background_color_range_start_)
    KV_UI_FLAG_ACCESSORS(FlagOnlyIA5Chars, flag_only_ia5_chars_)
    KV_UI_FLAG_ACCESSORS(FlagRestricted, flag_restricted_)
    KV_UI_STYLE_ACCESSORS(TreeCtrlStyle, tree_ctrl_style_)

protected:
    const Form& GetForm() const override;

private:
    static constexpr std::uint32_t kDefaultWindowStyle = 0x40000000; // WS_CHILD

    KV_UI_FACE_MEMBERS
    KV_UI_IMAGE_AREA_MEMBERS
    COLORREF background_color_range_start_ = kWhite;
    std::uint32_t flag_only_ia5_chars_ = 0;
    std::uint32_t flag_restricted_ = 0;
    TreeCtrlStyleTable tree_ctrl_style_;
};
