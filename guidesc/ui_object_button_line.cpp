#include "guidesc/ui_object_button_line.h"

#include "guidesc/ui_object_keys.h"

CKvUIObjectButtonLine::CKvUIObjectButtonLine(CKvUIObjectCatalog* owner, std::uint32_t id,
                                             const char* identifier)
    : CKvUIObject(kUIObjectButtonLine, owner, id, identifier) {
    Reset();
}

void CKvUIObjectButtonLine::Reset() {
    SetTypeCode(kUIObjectButtonLine);
    SetId(0);
    state_ = 0;
    ResetLineProperties();
}

CKvUIObjectButtonLine& CKvUIObjectButtonLine::operator=(const CKvUIObjectButtonLine& other) {
    if (&other == this)
        return *this;
    SetTypeCode(kUIObjectButtonLine);
    SetId(other.id_);
    CopyCommonState(other);
    CopyLineProperties(other);
    return *this;
}

const CKvUIObject::Form& CKvUIObjectButtonLine::GetForm() const {
    using C = CKvUIObjectButtonLine;
    static constexpr UIKey kKeys[] = {
        KV_UI_BUTTON_LINE_KEYS,
    };
    static constexpr auto kDomKeys =
        uikey::DomKeysColoursFirst<47>(kKeys, {"backgroundcolor", "textcolor", "transparentcolor"});
    static constexpr Form kForm =
        uikey::MakeForm(kUIObjectButtonLine, kKeys, kDomKeys, IdentifierAttribute());
    return kForm;
}
