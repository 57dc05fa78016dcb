#pragma once
// CKvUIObjectListBox: the description of a "UIOBJECTLISTBOX" element. No
// control builds itself from it; the catalog loads, holds, copies and writes
// it.

#include "core/bounded_string_list.h"
#include "guidesc/ui_object.h"
#include "guidesc/ui_object_accessors.h"

#include <string>

class CKvUIObjectListBox : public CKvUIObject, public UIHeadAccessors<CKvUIObjectListBox> {
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

    KvResult SetStyleText(const std::string& text) { return style_.SetText(text); }
    KvResult SetStyle(std::uint32_t value) { return style_.FormatText(value); }
    std::uint32_t GetStyle() const { return style_.GetValue(); }
    std::string& GetStyleText(std::string& out) const { return style_.GetText(out); }
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
    KvResult SetListBoxStyleText(const std::string& text) { return list_box_style_.SetText(text); }
    KvResult SetListBoxStyle(std::uint32_t value) { return list_box_style_.FormatText(value); }
    std::uint32_t GetListBoxStyle() const { return list_box_style_.GetValue(); }
    std::string& GetListBoxStyleText(std::string& out) const {
        return list_box_style_.GetText(out);
    }

protected:
    const Form& GetForm() const override;

private:
    template <typename> friend class UIBackgroundAccessors;
    template <typename> friend class UIHeadAccessors;
    KV_UI_HEAD_MEMBERS
    DialogStyleTable style_;
    std::string border_image_file_;
    std::uint32_t border_image_id_ = 0;
    BoundedStringList header_name_list_;
    ListBoxStyleTable list_box_style_;
};
