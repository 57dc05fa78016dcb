#pragma once
// CKvUIObjectListBox: the description of a "UIOBJECTLISTBOX" element. No
// control builds itself from it; the catalog loads, holds, copies and writes
// it.

#include "core/bounded_string_list.h"
#include "guidesc/ui_object.h"
#include "guidesc/ui_object_accessors.h"

#include <string>

class CKvUIObjectListBox : public CKvUIObject {
public:
    CKvUIObjectListBox(CKvUIObjectCatalog* owner, std::uint32_t id, const char* identifier);
    // Copies the owner, the numeric id, the head, "style", the border image,
    // the texts, the font values, "uiid" and both style words; the
    // identifier, geometry, colours and child identifiers stay this object's
    // own.
    CKvUIObjectListBox& operator=(const CKvUIObjectListBox& other);
    // A new description (no owner, id 0, no identifier) assigned from the
    // other, as Clone makes it.
    CKvUIObjectListBox(const CKvUIObjectListBox& other) : CKvUIObjectListBox(nullptr, 0, nullptr) {
        *this = other;
    }

    // The head, the border image, the texts, "listboxstyle" and
    // "windowstyle"; "style" and the other base properties stay.
    void Reset() override;
    BOOL Clone(CKvUIObject*& out) const override { return CloneAs(*this, out); }
    BOOL CopyTo(CKvUIObject* target) const override { return CopyAs(*this, target); }

    KV_UI_HEAD_ACCESSORS
    KV_UI_STYLE_ACCESSORS(Style, style_)
    KV_UI_RESOURCE_OR_FILE_ACCESSORS(BorderImage, border_image_file_, border_image_id_)
    KV_UI_STRING_LIST_ACCESSORS(HeaderNameList, header_name_list_)
    KV_UI_STYLE_ACCESSORS(ListBoxStyle, list_box_style_)

protected:
    const Form& GetForm() const override;

private:
    KV_UI_HEAD_MEMBERS
    DialogStyleTable style_;
    std::string border_image_file_;
    std::uint32_t border_image_id_ = 0;
    BoundedStringList header_name_list_;
    ListBoxStyleTable list_box_style_;
};
