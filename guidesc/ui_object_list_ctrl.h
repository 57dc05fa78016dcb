#pragma once
// CKvUIObjectListCtrl: the description of a "UIOBJECTLISTCTRL" element, a
// skinned list control with its columns ("headernamelist") and list view
// styles.

#include "core/bounded_string_list.h"
#include "guidesc/ui_object.h"
#include "guidesc/ui_object_accessors.h"

#include <string>

class CKvUIObjectListCtrl : public CKvUIObject {
public:
    CKvUIObjectListCtrl(CKvUIObjectCatalog* owner, std::uint32_t id, const char* identifier);
    // Copies the owner, the numeric id, the head, both list view styles, the
    // border image, the columns and "windowstyle"; the identifier, geometry,
    // colours, child identifiers and "uiid" stay this object's own.
    CKvUIObjectListCtrl& operator=(const CKvUIObjectListCtrl& other);
    // A new description (no owner, id 0, no identifier) assigned from the
    // other, as Clone makes it.
    CKvUIObjectListCtrl(const CKvUIObjectListCtrl& other)
        : CKvUIObjectListCtrl(nullptr, 0, nullptr) {
        *this = other;
    }

    // The head, the border image and the columns; the style words and the
    // base properties stay.
    void Reset() override;
    BOOL Clone(CKvUIObject*& out) const override { return CloneAs(*this, out); }
    BOOL CopyTo(CKvUIObject* target) const override { return CopyAs(*this, target); }

    KV_UI_HEAD_ACCESSORS
    KV_UI_RESOURCE_OR_FILE_ACCESSORS(BorderImage, border_image_file_, border_image_id_)
    KV_UI_STRING_LIST_ACCESSORS(HeaderNameList, header_name_list_)
    KV_UI_STYLE_ACCESSORS(ListCtrlStyle, list_ctrl_style_)
    KV_UI_STYLE_ACCESSORS(ListCtrlExStyle, list_ctrl_ex_style_)

protected:
    const Form& GetForm() const override;

private:
    KV_UI_HEAD_MEMBERS
    std::string border_image_file_;
    std::uint32_t border_image_id_ = 0;
    BoundedStringList header_name_list_;
    ListCtrlStyleTable list_ctrl_style_;
    ListCtrlExStyleTable list_ctrl_ex_style_;
};
