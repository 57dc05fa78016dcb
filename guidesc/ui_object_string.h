#pragma once
// CKvUIObjectString: the description of a "UIOBJECTSTRING" element, a named
// user-visible text ("UIObjString_..."); the catalog hands out its "text".

#include "guidesc/ui_object.h"
#include "guidesc/ui_object_accessors.h"

#include <string>

class CKvUIObjectString : public CKvUIObject, public UIHeadAccessors<CKvUIObjectString> {
public:
    CKvUIObjectString(CKvUIObjectCatalog* owner, std::uint32_t id, const char* identifier);
    // Copies the owner, the numeric id, the head, "style", the border image,
    // "text", "windowstyle" and "backgroundcolor"; the identifier, geometry,
    // "textcolor", child identifiers and "uiid" stay this object's own.
    CKvUIObjectString& operator=(const CKvUIObjectString& other);
    // A new description (no owner, id 0, no identifier) assigned from the
    // other, as Clone makes it.
    CKvUIObjectString(const CKvUIObjectString& other) : CKvUIObjectString(nullptr, 0, nullptr) {
        *this = other;
    }

    // The head and the border image; "style" and the base properties stay.
    void Reset() override;
    BOOL Clone(CKvUIObject*& out) const override { return CloneAs(*this, out); }
    BOOL CopyTo(CKvUIObject* target) const override { return CopyAs(*this, target); }

    KvResult SetStyleText(const std::string& text) { return style_.SetText(text); }
    KvResult SetStyle(std::uint32_t value) { return style_.FormatText(value); }
    std::uint32_t GetStyle() const { return style_.GetValue(); }
    std::string& GetStyleText(std::string& out) const { return style_.GetText(out); }
    void SetBorderImageText(const std::string& text) {
        SetResourceOrFileField(border_image_file_, border_image_id_, text);
    }
    std::string& GetBorderImageFile() { return border_image_file_; }
    std::uint32_t& GetBorderImageId() { return border_image_id_; }

protected:
    const Form& GetForm() const override;

private:
    template <typename> friend class UIBackgroundAccessors;
    template <typename> friend class UIHeadAccessors;
    KV_UI_HEAD_MEMBERS
    DialogStyleTable style_;
    std::string border_image_file_;
    std::uint32_t border_image_id_ = 0;
};
