#include "guidesc/ui_object_check_box.h"

#include "guidesc/ui_object_keys.h"

CKvUIObjectCheckBox::CKvUIObjectCheckBox(CKvUIObjectCatalog* owner, std::uint32_t id,
                                         const char* identifier)
    : CKvUIObject(kUIObjectCheckBox, owner, id, identifier) {
    Reset();
}

void CKvUIObjectCheckBox::Reset() {
    SetTypeCode(kUIObjectCheckBox);
    SetId(0);
    state_ = 0;
    ResetFace();
    ResetImageArea();
    background_color_range_start_ = kWhite;
    tooltip_text_.clear();
    tooltip_width_ = kDefaultTooltipWidth;
    anchor_identifier_.clear();
}

CKvUIObjectCheckBox& CKvUIObjectCheckBox::operator=(const CKvUIObjectCheckBox& other) {
    if (&other == this)
        return *this;
    SetTypeCode(kUIObjectCheckBox);
    SetId(other.id_);
    CopyCommonState(other);
    owner_ = other.owner_;
    CopyFace(other);
    CopyImageArea(other);
    background_color_range_start_ = other.background_color_range_start_;
    tooltip_text_ = other.tooltip_text_;
    tooltip_width_ = other.tooltip_width_;
    anchor_identifier_ = other.anchor_identifier_;
    text_ = other.text_;
    SetWindowStyle(other.GetWindowStyle());
    uiid_ = other.uiid_;
    text_magnify_ = other.text_magnify_;
    SetFontWeight(other.GetFontWeight());
    SetFontStyle(other.GetFontStyle());
    font_escapement_ = other.font_escapement_;
    SetTextStyle(other.GetTextStyle());
    return *this;
}

const CKvUIObject::Form& CKvUIObjectCheckBox::GetForm() const {
    using C = CKvUIObjectCheckBox;
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
        uikey::Keyword<&C::window_style_>("windowstyle"),
        uikey::Keyword<&C::font_weight_>("fontweight"),
        uikey::Color<&C::text_background_color_>("textbackgroundcolor"),
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
        {"windowstyle"},
        {"fontweight"},
        {"textbackgroundcolor"},
        {"tooltiptext"},
        {"tooltipwidth"},
        {"anchoridentifier"},
    };
    static constexpr auto kDomKeys = uikey::DomKeys(kKeys, kDomRows);
    static constexpr Form kForm =
        uikey::MakeForm(kUIObjectCheckBox, kKeys, kDomKeys, IdentifierAttribute());
    return kForm;
}
