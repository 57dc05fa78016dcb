#pragma once
// CKvUIObjectXPButton: the description of a "UIOBJECTXPBUTTON" element, a skinned push
// button with its caption rectangle, rounded edges and tooltip.

#include "guidesc/ui_object.h"
#include "guidesc/ui_object_accessors.h"

#include <string>

class CKvUIObjectXPButton : public CKvUIObject {
public:
    CKvUIObjectXPButton(CKvUIObjectCatalog* owner, std::uint32_t id, const char* identifier);
    // Copies what the push button uses, never the identifier: the control
    // keeps the identifier it looked the description up by. Background and
    // text background colour, child identifiers and window styles stay.
    CKvUIObjectXPButton& operator=(const CKvUIObjectXPButton& other);
    // A new description (no owner, id 0, no identifier) assigned from the
    // other, as Clone makes it.
    CKvUIObjectXPButton(const CKvUIObjectXPButton& other)
        : CKvUIObjectXPButton(nullptr, 0, nullptr) {
        *this = other;
    }

    // The own properties, text, "text2", the tooltip and "anchoridentifier".
    void Reset() override;
    BOOL Clone(CKvUIObject*& out) const override { return CloneAs(*this, out); }
    BOOL CopyTo(CKvUIObject* target) const override { return CopyAs(*this, target); }

    KV_UI_FACE_ACCESSORS
    KV_UI_EXACT_FLAG_ACCESSORS(FlagRoundEdgeTop, flag_round_edge_top_)
    KV_UI_EXACT_FLAG_ACCESSORS(FlagRoundEdgeBottom, flag_round_edge_bottom_)
    KV_UI_TEXT_AREA_ACCESSORS

protected:
    const Form& GetForm() const override;

private:
    KV_UI_FACE_MEMBERS
    BoolValue flag_round_edge_top_;
    BoolValue flag_round_edge_bottom_;
    KV_UI_TEXT_AREA_MEMBERS
};
