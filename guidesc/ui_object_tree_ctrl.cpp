#include "guidesc/ui_object_tree_ctrl.h"

#include "guidesc/ui_object_keys.h"

CKvUIObjectTreeCtrl::CKvUIObjectTreeCtrl(CKvUIObjectCatalog* owner, std::uint32_t id,
                                         const char* identifier)
    : CKvUIObject(kUIObjectTreeCtrl, owner, id, identifier) {
    Reset();
}

void CKvUIObjectTreeCtrl::Reset() {
    SetTypeCode(kUIObjectTreeCtrl);
    SetId(0);
    timer_.Stop();
    ResetCommonProperties(kDefaultWindowStyle);
    ResetFace();
    ResetImageArea();
    background_color_range_start_ = kWhite;
    flag_only_ia5_chars_ = 0;
    flag_restricted_ = 0;
}

CKvUIObjectTreeCtrl& CKvUIObjectTreeCtrl::operator=(const CKvUIObjectTreeCtrl& other) {
    if (&other == this)
        return *this;
    SetTypeCode(kUIObjectTreeCtrl);
    SetId(other.id_);
    CopyCommonProperties(other);
    SetTreeCtrlStyle(other.GetTreeCtrlStyle());
    return *this;
}

const CKvUIObject::Form& CKvUIObjectTreeCtrl::GetForm() const {
    using C = CKvUIObjectTreeCtrl;
    static constexpr UIKey kKeys[] = {
        KV_UI_GEOMETRY_KEYS(uikey::kDecoded),
        KV_UI_FACE_COLOUR_KEYS(uikey::kDecoded),
        KV_UI_BACKGROUND_IMAGE_KEYS(uikey::kDecoded, uikey::kDecoded),
        uikey::Text<&C::child_identifier_list_>("childidentifierlist"),
        uikey::Text<&C::text_>("text"),
        uikey::Float<&C::text_magnify_>("textmagnify"),
        uikey::UInt<&C::uiid_>("uiid"),
        KV_UI_EDGE_KEYS(uikey::kDecoded),
        KV_UI_IMAGE_AREA_KEYS(uikey::kDecoded),
        uikey::Color<&C::background_color_range_start_>("backgroundcolorrangestart"),
        uikey::Flag<&C::flag_only_ia5_chars_>("flagonlyia5chars"),
        uikey::Flag<&C::flag_restricted_>("flagrestricted"),
        uikey::Keyword<&C::window_style_>("windowstyle"),
        uikey::Keyword<&C::tree_ctrl_style_>("treectrlstyle"),
        uikey::Keyword<&C::font_weight_>("fontweight"),
        uikey::Keyword<&C::window_style_ex_>("windowstyleex"),
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
        {"flagonlyia5chars"},
        {"flagrestricted"},
        {"treectrlstyle"},
        {"windowstyle"},
        {"fontweight"},
        {"windowstyleex"},
    };
    static constexpr auto kDomKeys = uikey::DomKeys(kKeys, kDomRows);
    static constexpr Form kForm =
        uikey::MakeForm(kUIObjectTreeCtrl, kKeys, kDomKeys, IdentifierAttribute());
    return kForm;
}
