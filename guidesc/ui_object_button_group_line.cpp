#include "guidesc/ui_object_button_group_line.h"

#include "guidesc/ui_object_keys.h"

CKvUIObjectButtonGroupLine::CKvUIObjectButtonGroupLine(CKvUIObjectCatalog* owner, std::uint32_t id,
                                                       const char* identifier)
    : CKvUIObject(kUIObjectButtonGroupLine, owner, id, identifier) {
    Reset();
}

void CKvUIObjectButtonGroupLine::Reset() {
    SetTypeCode(kUIObjectButtonGroupLine);
    SetId(0);
    state_ = 0;
    ResetLineProperties();
    button_identifier_list_.RemoveAll();
    scrollbar_flip_side_.Set(0);
}

CKvUIObjectButtonGroupLine&
CKvUIObjectButtonGroupLine::operator=(const CKvUIObjectButtonGroupLine& other) {
    if (&other == this)
        return *this;
    SetTypeCode(kUIObjectButtonGroupLine);
    SetId(other.id_);
    CopyCommonState(other);
    CopyLineProperties(other);
    button_identifier_list_ = other.button_identifier_list_;
    scrollbar_flip_side_ = other.scrollbar_flip_side_;
    return *this;
}

const CKvUIObject::Form& CKvUIObjectButtonGroupLine::GetForm() const {
    using C = CKvUIObjectButtonGroupLine;
    static constexpr UIKey kKeys[] = {
        KV_UI_BUTTON_LINE_KEYS,
        uikey::StringList<&C::button_identifier_list_>("buttonidentifierlist"),
        uikey::ExactFlag<&C::scrollbar_flip_side_>("scrollbarflipside"),
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
        {"buttonidentifierlist"},
        {"scrollbarflipside"},
    };
    static constexpr auto kDomKeys = uikey::DomKeys(kKeys, kDomRows);
    static constexpr Form kForm =
        uikey::MakeForm(kUIObjectButtonGroupLine, kKeys, kDomKeys, IdentifierAttribute());
    return kForm;
}
