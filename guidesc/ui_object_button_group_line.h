#pragma once
// CKvUIObjectButtonGroupLine: the description of a "UIOBJECTBUTTONGROUPLINE" element, the
// button line with a list of button identifiers.

#include "core/bounded_string_list.h"
#include "guidesc/ui_object.h"
#include "guidesc/ui_object_accessors.h"
#include "guidesc/ui_object_button_line.h"

#include <string>

class CKvUIObjectButtonGroupLine : public CKvUIObject,
                                   public UIButtonLineAccessors<CKvUIObjectButtonGroupLine> {
public:
    CKvUIObjectButtonGroupLine(CKvUIObjectCatalog* owner, std::uint32_t id, const char* identifier);
    // Copies the owner, numeric id, "fontescapement", "fontstyle",
    // "textstyle" and the own properties but "style"; the button identifier
    // list becomes a copy of the other's.
    CKvUIObjectButtonGroupLine& operator=(const CKvUIObjectButtonGroupLine& other);
    // A new description (no owner, id 0, no identifier) assigned from the
    // other, as Clone makes it.
    CKvUIObjectButtonGroupLine(const CKvUIObjectButtonGroupLine& other)
        : CKvUIObjectButtonGroupLine(nullptr, 0, nullptr) {
        *this = other;
    }

    // The own properties but "style"; the base's stay.
    void Reset() override;
    BOOL Clone(CKvUIObject*& out) const override { return CloneAs(*this, out); }
    BOOL CopyTo(CKvUIObject* target) const override { return CopyAs(*this, target); }

    // At most 50 entries; a second "buttonidentifierlist" appends.
    BoundedStringList& GetButtonIdentifierList() { return button_identifier_list_; }
    KvResult SetButtonIdentifierListText(const std::string& text) {
        return button_identifier_list_.SetFromText(text);
    }
    std::string& GetButtonIdentifierListText(std::string& out) {
        return button_identifier_list_.GetText(out);
    }
    void SetScrollbarFlipSideText(std::string text) { scrollbar_flip_side_.Parse(text); }
    std::string& GetScrollbarFlipSideText(std::string& out) const {
        return scrollbar_flip_side_.Format(out);
    }
    BoolValue& GetScrollbarFlipSide() { return scrollbar_flip_side_; }

protected:
    const Form& GetForm() const override;

private:
    template <typename> friend class UIBackgroundAccessors;
    template <typename> friend class UIFaceAccessors;
    template <typename> friend class UIImageAreaAccessors;
    template <typename> friend class UITextAreaAccessors;
    template <typename> friend class UIButtonLineAccessors;
    KV_UI_BUTTON_LINE_MEMBERS
    BoundedStringList button_identifier_list_;
    BoolValue scrollbar_flip_side_;
};
