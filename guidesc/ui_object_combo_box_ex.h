#pragma once
// CKvUIObjectComboBoxEx: the description of a "UIOBJECTCOMBOBOXEX" element,
// a skinned extended combo box with its lines ("textentries", each
// "identifier;text") and its combo box styles.

#include "core/bounded_string_list.h"
#include "guidesc/ui_object.h"
#include "guidesc/ui_object_accessors.h"

#include <string>

class CKvUIObjectComboBoxEx : public CKvUIObject {
public:
    CKvUIObjectComboBoxEx(CKvUIObjectCatalog* owner, std::uint32_t id, const char* identifier);
    // Copies the owner, the numeric id, geometry, the head, "style", the
    // border image, the lines, both style words and "anchoridentifier"; the
    // identifier, colours, child identifiers and "uiid" stay this object's
    // own.
    CKvUIObjectComboBoxEx& operator=(const CKvUIObjectComboBoxEx& other);
    // A new description (no owner, id 0, no identifier) assigned from the
    // other, as Clone makes it.
    CKvUIObjectComboBoxEx(const CKvUIObjectComboBoxEx& other)
        : CKvUIObjectComboBoxEx(nullptr, 0, nullptr) {
        *this = other;
    }

    // The head, the border image, the lines, "comboboxstyle" and
    // "anchoridentifier"; "style" and the other base properties stay.
    void Reset() override;
    BOOL Clone(CKvUIObject*& out) const override { return CloneAs(*this, out); }
    BOOL CopyTo(CKvUIObject* target) const override { return CopyAs(*this, target); }

    KV_UI_HEAD_ACCESSORS
    KV_UI_STYLE_ACCESSORS(Style, style_)
    KV_UI_RESOURCE_OR_FILE_ACCESSORS(BorderImage, border_image_file_, border_image_id_)
    KV_UI_STRING_LIST_ACCESSORS(TextEntries, text_entries_)
    KV_UI_STYLE_ACCESSORS(ComboBoxStyle, combo_box_style_)

protected:
    const Form& GetForm() const override;

private:
    KV_UI_HEAD_MEMBERS
    DialogStyleTable style_;
    std::string border_image_file_;
    std::uint32_t border_image_id_ = 0;
    BoundedStringList text_entries_;
    ComboBoxStyleTable combo_box_style_;
};
