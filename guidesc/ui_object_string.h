#pragma once
// CKvUIObjectString: the description of a "UIOBJECTSTRING" element, a named
// user-visible text ("UIObjString_..."); the catalog hands out its "text".

#include "guidesc/ui_object.h"
#include "guidesc/ui_object_accessors.h"

#include <string>

class CKvUIObjectString : public CKvUIObject {
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

    KV_UI_HEAD_ACCESSORS
    KV_UI_STYLE_ACCESSORS(Style, style_)
    KV_UI_RESOURCE_OR_FILE_ACCESSORS(BorderImage, border_image_file_, border_image_id_)

protected:
    const Form& GetForm() const override;

private:
    KV_UI_HEAD_MEMBERS
    DialogStyleTable style_;
    std::string border_image_file_;
    std::uint32_t border_image_id_ = 0;
};
