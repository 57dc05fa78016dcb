#pragma once
// CKvUIObjectEdit: the description of a "UIOBJECTEDIT" element, a skinned edit box
// with its edit styles and input flags. Most keys are read as the document
// stores them.

#include "guidesc/ui_object.h"
#include "guidesc/ui_object_accessors.h"

#include <string>

class CKvUIObjectEdit : public CKvUIObject,
                        public UIFaceAccessors<CKvUIObjectEdit>,
                        public UIImageAreaAccessors<CKvUIObjectEdit> {
public:
    CKvUIObjectEdit(CKvUIObjectCatalog* owner, std::uint32_t id, const char* identifier);
    // Copies the base (not the identifier, the child identifier set or
    // "text2") and the two input flags; the face, image area, background
    // image and edit style stay this object's own.
    CKvUIObjectEdit& operator=(const CKvUIObjectEdit& other);
    // A new description (no owner, id 0, no identifier) assigned from the
    // other, as Clone makes it.
    CKvUIObjectEdit(const CKvUIObjectEdit& other) : CKvUIObjectEdit(nullptr, 0, nullptr) {
        *this = other;
    }

    // Every base property back to its default (owner and identifier
    // included, the child identifier limit 0) and the two input flags 0; the
    // face, image area, background image and edit style stay.
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
    // The table's result, like every keyword setter.
    KvResult SetEditStyleText(const std::string& text) { return edit_style_.SetText(text); }
    KvResult SetEditStyle(std::uint32_t value) { return edit_style_.FormatText(value); }
    std::uint32_t GetEditStyle() const { return edit_style_.GetValue(); }
    std::string& GetEditStyleText(std::string& out) const { return edit_style_.GetText(out); }

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
    EditStyleTable edit_style_;
};
