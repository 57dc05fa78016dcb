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
    round_edge_x_ = 0;
    round_edge_y_ = 0;
    background_image_file_.clear();
    background_image_id_ = 0;
    flag_background_image_has_transparent_ = 0;
    flag_background_image_is_packed_ = 0;
    flag_size_follow_background_image_ = 0;
    flag_background_wallpaper_ = 0;
    transparent_color_ = kWhite;
    flag_round_edge_left_ = 0;
    flag_round_edge_right_ = 0;
    flag_button_as_static_ = 0;
    text_.clear();
    text2_.clear();
    flag_round_edge_top_.Set(0);
    flag_round_edge_bottom_.Set(0);
    text_width_ = 0;
    text_height_ = 0;
    text_position_x_ = 0;
    text_position_y_ = 0;
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
    round_edge_x_ = other.round_edge_x_;
    round_edge_y_ = other.round_edge_y_;
    background_image_file_ = other.background_image_file_;
    background_image_id_ = other.background_image_id_;
    flag_background_wallpaper_ = other.flag_background_wallpaper_;
    flag_background_image_has_transparent_ = other.flag_background_image_has_transparent_;
    flag_background_image_is_packed_ = other.flag_background_image_is_packed_;
    flag_size_follow_background_image_ = other.flag_size_follow_background_image_;
    transparent_color_ = other.transparent_color_;
    flag_round_edge_left_ = other.flag_round_edge_left_;
    flag_round_edge_right_ = other.flag_round_edge_right_;
    flag_round_edge_top_ = other.flag_round_edge_top_;
    flag_round_edge_bottom_ = other.flag_round_edge_bottom_;
    text_ = other.text_;
    text2_ = other.text2_;
    text_magnify_ = other.text_magnify_;
    text_width_ = other.text_width_;
    text_height_ = other.text_height_;
    text_position_x_ = other.text_position_x_;
    text_position_y_ = other.text_position_y_;
    tooltip_text_ = other.tooltip_text_;
    tooltip_width_ = other.tooltip_width_;
    text_color_ = other.text_color_;
    uiid_ = other.uiid_;
    font_escapement_ = other.font_escapement_;
    SetFontStyle(other.GetFontStyle());
    SetFontWeight(other.GetFontWeight());
    SetTextStyle(other.GetTextStyle());
    flag_button_as_static_ = other.flag_button_as_static_;
    anchor_identifier_ = other.anchor_identifier_;
    return *this;
}

const CKvUIObject::Form& CKvUIObjectXPButton::GetForm() const {
    using C = CKvUIObjectXPButton;
    static constexpr UIKey kKeys[] = {
        uikey::Int<&C::width_>("width"),
        uikey::Int<&C::height_>("height"),
        uikey::Int<&C::position_x_>("positionx"),
        uikey::Int<&C::position_y_>("positiony"),
        uikey::UInt<&C::round_edge_x_>("roundedgex"),
        uikey::UInt<&C::round_edge_y_>("roundedgey"),
        uikey::Color<&C::background_color_>("backgroundcolor"),
        uikey::Color<&C::text_color_>("textcolor"),
        uikey::KeptColor<&C::transparent_color_>("transparentcolor"),
        uikey::ResourceOrFile<&C::background_image_file_, &C::background_image_id_>(
            "backgroundimageridorfile"),
        uikey::Flag<&C::flag_background_wallpaper_>("flagbackgroundwallpaper"),
        uikey::Flag<&C::flag_background_image_has_transparent_>(
            "flagbackgroundimagehastransparent"),
        uikey::Flag<&C::flag_background_image_is_packed_>("flagbackgroundimageispacked"),
        uikey::Flag<&C::flag_size_follow_background_image_>("flagsizefollowbackgroundimage"),
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
        uikey::Int<&C::text_width_>("textwidth"),
        uikey::Int<&C::text_height_>("textheight"),
        uikey::Int<&C::text_position_x_>("textpositionx"),
        uikey::Int<&C::text_position_y_>("textpositiony"),
        uikey::Text<&C::tooltip_text_>("tooltiptext"),
        uikey::Int<&C::tooltip_width_>("tooltipwidth"),
        uikey::Text<&C::anchor_identifier_>("anchoridentifier", uikey::kStored),
    };
    static constexpr auto kDomKeys = uikey::DomKeysColoursFirst<30>(
        kKeys, {"backgroundcolor", "textcolor", "transparentcolor"},
        {"textwidth", "textheight", "textpositionx", "textpositiony", "anchoridentifier"});
    static constexpr Form kForm =
        uikey::MakeForm(kUIObjectXPButton, kKeys, kDomKeys, IdentifierAttribute());
    return kForm;
}
