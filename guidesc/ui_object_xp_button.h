#pragma once
// CKvUIObjectXPButton: the description of a "UIOBJECTXPBUTTON" element, a skinned push
// button with its caption rectangle, rounded edges and tooltip.

#include "guidesc/ui_object.h"
#include "guidesc/ui_object_accessors.h"

#include <string>

class CKvUIObjectXPButton : public CKvUIObject,
                            public UIFaceAccessors<CKvUIObjectXPButton>,
                            public UITextAreaAccessors<CKvUIObjectXPButton> {
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

    void SetFlagRoundEdgeTopText(std::string text) { flag_round_edge_top_.Parse(text); }
    std::string& GetFlagRoundEdgeTopText(std::string& out) const {
        return flag_round_edge_top_.Format(out);
    }
    BoolValue& GetFlagRoundEdgeTop() { return flag_round_edge_top_; }
    void SetFlagRoundEdgeBottomText(std::string text) { flag_round_edge_bottom_.Parse(text); }
    std::string& GetFlagRoundEdgeBottomText(std::string& out) const {
        return flag_round_edge_bottom_.Format(out);
    }
    BoolValue& GetFlagRoundEdgeBottom() { return flag_round_edge_bottom_; }

protected:
    const Form& GetForm() const override;

private:
    template <typename> friend class UIBackgroundAccessors;
    template <typename> friend class UIFaceAccessors;
    template <typename> friend class UITextAreaAccessors;
    KV_UI_FACE_MEMBERS
    BoolValue flag_round_edge_top_;
    BoolValue flag_round_edge_bottom_;
    KV_UI_TEXT_AREA_MEMBERS
};
