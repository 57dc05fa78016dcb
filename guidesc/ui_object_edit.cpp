#include "guidesc/ui_object_edit.h"

#include "guidesc/ui_object_keys.h"

CKvUIObjectEdit::CKvUIObjectEdit(CKvUIObjectCatalog* owner, std::uint32_t id,
                                 const char* identifier)
    : CKvUIObject(kUIObjectEdit, owner, id, identifier) {
    Reset();
}

void CKvUIObjectEdit::Reset() {
    SetTypeCode(kUIObjectEdit);
    SetId(0);
    ResetCommonProperties(kDefaultWindowStyle);
    tooltip_text_.clear();
    tooltip_width_ = kDefaultTooltipWidth;
    flag_restricted_ = 0;
    flag_only_ia5_chars_ = 0;
}

CKvUIObjectEdit& CKvUIObjectEdit::operator=(const CKvUIObjectEdit& other) {
    if (&other == this)
        return *this;
    SetTypeCode(kUIObjectEdit);
    SetId(other.id_);
    CopyCommonProperties(other);
    tooltip_text_ = other.tooltip_text_;
    tooltip_width_ = other.tooltip_width_;
    flag_restricted_ = other.flag_restricted_;
    flag_only_ia5_chars_ = other.flag_only_ia5_chars_;
    return *this;
}

const CKvUIObject::Form& CKvUIObjectEdit::GetForm() const {
    using C = CKvUIObjectEdit;
    static constexpr UIKey kKeys[] = {
        KV_UI_GEOMETRY_KEYS(uikey::kStored),
        KV_UI_FACE_COLOUR_KEYS(uikey::kStored),
        KV_UI_BACKGROUND_IMAGE_KEYS(uikey::kDecoded, uikey::kStored),
        uikey::Text<&C::child_identifier_list_>("childidentifierlist", uikey::kStored),
        uikey::Text<&C::text_>("text"),
        uikey::Float<&C::text_magnify_>("textmagnify", uikey::kStored),
        uikey::UInt<&C::uiid_>("uiid", uikey::kStored),
        KV_UI_EDGE_KEYS(uikey::kStored),
        KV_UI_IMAGE_AREA_KEYS(uikey::kStored),
        uikey::Color<&C::background_color_range_start_>("backgroundcolorrangestart",
                                                        uikey::kStored),
        uikey::Flag<&C::flag_only_ia5_chars_>("flagonlyia5chars", uikey::kStored),
        uikey::Flag<&C::flag_restricted_>("flagrestricted", uikey::kStored),
        uikey::Keyword<&C::window_style_>("windowstyle", uikey::kStored),
        uikey::Keyword<&C::edit_style_>("editstyle", uikey::kStored),
        uikey::Keyword<&C::font_weight_>("fontweight", uikey::kStored),
        uikey::Keyword<&C::window_style_ex_>("windowstyleex", uikey::kStored),
        uikey::Text<&C::tooltip_text_>("tooltiptext"),
        uikey::Int<&C::tooltip_width_>("tooltipwidth"),
        uikey::Text<&C::anchor_identifier_>("anchoridentifier", uikey::kStored),
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
        {"editstyle"},
        {"windowstyle"},
        {"fontweight"},
        {"windowstyleex"},
        {"tooltiptext"},
        {"tooltipwidth"},
        {"anchoridentifier"},
    };
    static constexpr auto kDomKeys = uikey::DomKeys(kKeys, kDomRows);
    static constexpr Form kForm =
        uikey::MakeForm(kUIObjectEdit, kKeys, kDomKeys, IdentifierAttribute());
    return kForm;
}
