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
    // The DOM form's keys, in its order.
    static constexpr uikey::DomRow kDomRows[] = {
        {"width"},
        {"height"},
        {"positionx"},
        {"positiony"},
        {"backgroundcolor"},
        {"textcolor"},
        {"transparentcolor"},
        {"roundedgex"},
        {"roundedgey"},
        {"backgroundimageridorfile"},
        {"flagbackgroundwallpaper"},
        {"flagbackgroundimagehastransparent"},
        {"flagbackgroundimageispacked"},
        {"flagsizefollowbackgroundimage"},
        {"childidentifierlist"},
        {"text"},
        {"textmagnify"},
        {"uiid"},
        {"flagroundedgeleft"},
        {"flagroundedgeright"},
        {"flagbuttonasstatic"},
        {"imagewidth"},
        {"imageheight"},
        {"imagepositionx"},
        {"imagepositiony"},
        {"flagborder"},
        {"flagimageborder"},
        {"imageroundedgex"},
        {"imageroundedgey"},
        {"backgroundcolorrangestart"},
        {"windowstyle"},
        {"fontweight"},
        {"textbackgroundcolor"},
        {"buttonwidth"},
        {"buttonheight"},
        {"buttonviewablecount"},
        {"buttonspace"},
        {"style"},
        {"scrollbarspace"},
        {"scrollbarthickness"},
        {"textwidth"},
        {"textheight"},
        {"textpositionx"},
        {"textpositiony"},
        {"fontstyle"},
        {"fontescapement"},
        {"textstyle"},
    };
    static constexpr auto kDomKeys = uikey::DomKeys(kKeys, kDomRows);
    static constexpr Form kForm =
        uikey::MakeForm(kUIObjectButtonLine, kKeys, kDomKeys, IdentifierAttribute());
    return kForm;
}
