#pragma once
// CKvUIObjectTreeCtrl: the description of a "UIOBJECTTREECTRL" element. The
// catalog registers the type and creates objects for it, but the loader reads
// no such elements and no control embeds one.

#include "guidesc/ui_object.h"
#include "guidesc/ui_object_accessors.h"

#include <string>

class CKvUIObjectTreeCtrl : public CKvUIObject,
                            public UIFaceAccessors<CKvUIObjectTreeCtrl>,
                            public UIImageAreaAccessors<CKvUIObjectTreeCtrl> {
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

    KvResult SetBackgroundColorRangeStartText(const std::string& text) {
        return SetColorField(background_color_range_start_, text);
    }
    std::string& GetBackgroundColorRangeStartText(std::string& out) const {
        return FormatColor(out, background_color_range_start_);
    }
    COLORREF& GetBackgroundColorRangeStart() { return background_color_range_start_; }
    void SetFlagOnlyIA5CharsText(const std::string& text) {
        SetFlagField(flag_only_ia5_chars_, text);
    }
    std::string& GetFlagOnlyIA5CharsText(std::string& out) const {
        return FormatFlag(out, flag_only_ia5_chars_);
    }
    std::uint32_t& GetFlagOnlyIA5Chars() { return flag_only_ia5_chars_; }
    void SetFlagRestrictedText(const std::string& text) { SetFlagField(flag_restricted_, text); }
    std::string& GetFlagRestrictedText(std::string& out) const {
        return FormatFlag(out, flag_restricted_);
    }
    std::uint32_t& GetFlagRestricted() { return flag_restricted_; }
    KvResult SetTreeCtrlStyleText(const std::string& text) {
        return tree_ctrl_style_.SetText(text);
    }
    KvResult SetTreeCtrlStyle(std::uint32_t value) { return tree_ctrl_style_.FormatText(value); }
    std::uint32_t GetTreeCtrlStyle() const { return tree_ctrl_style_.GetValue(); }
    std::string& GetTreeCtrlStyleText(std::string& out) const {
        return tree_ctrl_style_.GetText(out);
    }

protected:
    const Form& GetForm() const override;

private:
    template <typename> friend class UIBackgroundAccessors;
    template <typename> friend class UIFaceAccessors;
    template <typename> friend class UIImageAreaAccessors;
    static constexpr std::uint32_t kDefaultWindowStyle = 0x40000000; // WS_CHILD

    KV_UI_FACE_MEMBERS
    KV_UI_IMAGE_AREA_MEMBERS
    COLORREF background_color_range_start_ = kWhite;
    std::uint32_t flag_only_ia5_chars_ = 0;
    std::uint32_t flag_restricted_ = 0;
    TreeCtrlStyleTable tree_ctrl_style_;
};
