#pragma once
// CKvUIObjectListCtrl: the description of a "UIOBJECTLISTCTRL" element, a
// skinned list control with its columns ("headernamelist") and list view
// styles.

#include "core/bounded_string_list.h"
#include "guidesc/ui_object.h"
#include "guidesc/ui_object_accessors.h"

#include <string>

class CKvUIObjectListCtrl : public CKvUIObject, public UIHeadAccessors<CKvUIObjectListCtrl> {
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

    void SetBorderImageText(const std::string& text) {
        SetResourceOrFileField(border_image_file_, border_image_id_, text);
    }
    std::string& GetBorderImageFile() { return border_image_file_; }
    std::uint32_t& GetBorderImageId() { return border_image_id_; }
    KvResult SetHeaderNameListText(const std::string& text) {
        return header_name_list_.SetFromText(text);
    }
    std::string& GetHeaderNameListText(std::string& out) { return header_name_list_.GetText(out); }
    BoundedStringList& GetHeaderNameList() { return header_name_list_; }
    KvResult SetListCtrlStyleText(const std::string& text) {
        return list_ctrl_style_.SetText(text);
    }
    KvResult SetListCtrlStyle(std::uint32_t value) { return list_ctrl_style_.FormatText(value); }
    std::uint32_t GetListCtrlStyle() const { return list_ctrl_style_.GetValue(); }
    std::string& GetListCtrlStyleText(std::string& out) const {
        return list_ctrl_style_.GetText(out);
    }
    KvResult SetListCtrlExStyleText(const std::string& text) {
        return list_ctrl_ex_style_.SetText(text);
    }
    KvResult SetListCtrlExStyle(std::uint32_t value) {
        return list_ctrl_ex_style_.FormatText(value);
    }
    std::uint32_t GetListCtrlExStyle() const { return list_ctrl_ex_style_.GetValue(); }
    std::string& GetListCtrlExStyleText(std::string& out) const {
        return list_ctrl_ex_style_.GetText(out);
    }

protected:
    const Form& GetForm() const override;

private:
    template <typename> friend class UIBackgroundAccessors;
    template <typename> friend class UIHeadAccessors;
    KV_UI_HEAD_MEMBERS
    std::string border_image_file_;
    std::uint32_t border_image_id_ = 0;
    BoundedStringList header_name_list_;
    ListCtrlStyleTable list_ctrl_style_;
    ListCtrlExStyleTable list_ctrl_ex_style_;
};
