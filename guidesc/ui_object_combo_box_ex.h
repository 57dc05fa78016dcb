#pragma once
// CKvUIObjectComboBoxEx: the description of a "UIOBJECTCOMBOBOXEX" element,
// a skinned extended combo box with its lines ("textentries", each
// "identifier;text") and its combo box styles.

#include "core/bounded_string_list.h"
#include "guidesc/ui_object.h"
#include "guidesc/ui_object_accessors.h"

#include <string>

class CKvUIObjectComboBoxEx : public CKvUIObject, public UIHeadAccessors<CKvUIObjectComboBoxEx> {
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

    KvResult SetStyleText(const std::string& text) { return style_.SetText(text); }
    KvResult SetStyle(std::uint32_t value) { return style_.FormatText(value); }
    std::uint32_t GetStyle() const { return style_.GetValue(); }
    std::string& GetStyleText(std::string& out) const { return style_.GetText(out); }
    void SetBorderImageText(const std::string& text) {
        SetResourceOrFileField(border_image_file_, border_image_id_, text);
    }
    std::string& GetBorderImageFile() { return border_image_file_; }
    std::uint32_t& GetBorderImageId() { return border_image_id_; }
    KvResult SetTextEntriesText(const std::string& text) { return text_entries_.SetFromText(text); }
    std::string& GetTextEntriesText(std::string& out) { return text_entries_.GetText(out); }
    BoundedStringList& GetTextEntries() { return text_entries_; }
    KvResult SetComboBoxStyleText(const std::string& text) {
        return combo_box_style_.SetText(text);
    }
    KvResult SetComboBoxStyle(std::uint32_t value) { return combo_box_style_.FormatText(value); }
    std::uint32_t GetComboBoxStyle() const { return combo_box_style_.GetValue(); }
    std::string& GetComboBoxStyleText(std::string& out) const {
        return combo_box_style_.GetText(out);
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
    BoundedStringList text_entries_;
    ComboBoxStyleTable combo_box_style_;
};
