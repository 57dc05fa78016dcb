#include "guidesc/ui_object_xp_button.h"

#include "guidesc/ui_object_keys.h"

CKvUIObjectXPButton::CKvUIObjectXPButton(CKvUIObjectCatalog* owner, std::uint32_t id,
                                         const char* identifier)
    : CKvUIObject(kUIObjectXPButton, owner, id, identifier) {
    Reset();
}

void CKvUIObjectXPButton::Reset() {
    SetTypeCode(kUIObjectXPButton);
    SetId(0);
    state_ = 0;
    ResetFace();
    background_image_id_ = 0;
    text_.clear();
    text2_.clear();
    flag_round_edge_top_.Set(0);
    flag_round_edge_bottom_.Set(0);
    ResetTextArea();
    tooltip_text_.clear();
    tooltip_width_ = kDefaultTooltipWidth;
    anchor_identifier_.clear();
}

CKvUIObjectXPButton& CKvUIObjectXPButton::operator=(const CKvUIObjectXPButton& other) {
    if (&other == this)
        return *this;
    SetTypeCode(kUIObjectXPButton);
    SetId(other.id_);
    CopyCommonState(other);
    width_ = other.width_;
    height_ = other.height_;
    position_x_ = other.position_x_;
    position_y_ = other.position_y_;
    owner_ = other.owner_;
    CopyFace(other);
    background_image_id_ = other.background_image_id_;
    flag_round_edge_top_ = other.flag_round_edge_top_;
    flag_round_edge_bottom_ = other.flag_round_edge_bottom_;
    text_ = other.text_;
    text2_ = other.text2_;
    text_magnify_ = other.text_magnify_;
    CopyTextArea(other);
    tooltip_text_ = other.tooltip_text_;
    tooltip_width_ = other.tooltip_width_;
    text_color_ = other.text_color_;
    uiid_ = other.uiid_;
    font_escapement_ = other.font_escapement_;
    SetFontStyle(other.GetFontStyle());
    SetFontWeight(other.GetFontWeight());
    SetTextStyle(other.GetTextStyle());
    anchor_identifier_ = other.anchor_identifier_;
    return *this;
}

const CKvUIObject::Form& CKvUIObjectXPButton::GetForm() const {
    using C = CKvUIObjectXPButton;
    static constexpr UIKey kKeys[] = {
        KV_UI_GEOMETRY_KEYS(uikey::kDecoded),
        KV_UI_FACE_COLOUR_KEYS(uikey::kDecoded),
        KV_UI_BACKGROUND_IMAGE_KEYS(uikey::kDecoded, uikey::kDecoded),
        uikey::Text<&C::child_identifier_list_>("childidentifierlist"),
        uikey::Text<&C::text_>("text"),
        uikey::Float<&C::text_magnify_>("textmagnify"),
        uikey::UInt<&C::uiid_>("uiid"),
        uikey::Flag<&C::flag_round_edge_left_>("flagroundedgeleft"),
        uikey::Flag<&C::flag_round_edge_right_>("flagroundedgeright"),
        uikey::ExactFlag<&C::flag_round_edge_top_>("flagroundedgetop"),
        uikey::ExactFlag<&C::flag_round_edge_bottom_>("flagroundedgebottom"),
        uikey::Keyword<&C::font_weight_>("fontweight"),
        uikey::Keyword<&C::font_style_>("fontstyle"),
        uikey::UInt<&C::font_escapement_>("fontescapement"),
        uikey::Keyword<&C::text_style_>("textstyle"),
        uikey::Flag<&C::flag_button_as_static_>("flagbuttonasstatic"),
        uikey::Text<&C::text2_>("text2"),
        KV_UI_TEXT_AREA_KEYS(uikey::kDecoded),
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
        {"flagroundedgetop"},
        {"flagroundedgebottom"},
        {"fontweight"},
        {"fontstyle"},
        {"fontescapement"},
        {"textstyle"},
        {"flagbuttonasstatic"},
        {"text2"},
        {"tooltiptext"},
        {"tooltipwidth"},
    };
    static constexpr auto kDomKeys = uikey::DomKeys(kKeys, kDomRows);
    static constexpr Form kForm =
        uikey::MakeForm(kUIObjectXPButton, kKeys, kDomKeys, IdentifierAttribute());
    return kForm;
}
