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
    image_width_ = 0;
    image_height_ = 0;
    image_position_x_ = 0;
    image_position_y_ = 0;
    flag_border_ = 0;
    flag_image_border_ = 0;
    image_round_edge_x_ = 0;
    image_round_edge_y_ = 0;
    text_width_ = 0;
    text_height_ = 0;
    text_position_x_ = 0;
    text_position_y_ = 0;
    background_color_range_start_ = kWhite;
    button_width_ = 0;
    button_height_ = 0;
    button_viewable_count_ = 0;
    button_space_ = 0;
    scrollbar_space_ = 0;
    scrollbar_thickness_ = 0;
}

CKvUIObjectButtonLine& CKvUIObjectButtonLine::operator=(const CKvUIObjectButtonLine& other) {
    if (&other == this)
        return *this;
    SetTypeCode(kUIObjectButtonLine);
    SetId(other.id_);
    CopyCommonState(other);
    owner_ = other.owner_;
    font_escapement_ = other.font_escapement_;
    SetFontStyle(other.GetFontStyle());
    SetTextStyle(other.GetTextStyle());
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
    flag_button_as_static_ = other.flag_button_as_static_;
    image_width_ = other.image_width_;
    image_height_ = other.image_height_;
    image_position_x_ = other.image_position_x_;
    image_position_y_ = other.image_position_y_;
    flag_border_ = other.flag_border_;
    flag_image_border_ = other.flag_image_border_;
    image_round_edge_x_ = other.image_round_edge_x_;
    image_round_edge_y_ = other.image_round_edge_y_;
    text_width_ = other.text_width_;
    text_height_ = other.text_height_;
    text_position_x_ = other.text_position_x_;
    text_position_y_ = other.text_position_y_;
    background_color_range_start_ = other.background_color_range_start_;
    button_width_ = other.button_width_;
    button_height_ = other.button_height_;
    button_viewable_count_ = other.button_viewable_count_;
    button_space_ = other.button_space_;
    scrollbar_space_ = other.scrollbar_space_;
    scrollbar_thickness_ = other.scrollbar_thickness_;
    return *this;
}

const CKvUIObject::Form& CKvUIObjectButtonLine::GetForm() const {
    using C = CKvUIObjectButtonLine;
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
        uikey::Flag<&C::flag_button_as_static_>("flagbuttonasstatic"),
        uikey::Int<&C::image_width_>("imagewidth"),
        uikey::Int<&C::image_height_>("imageheight"),
        uikey::Int<&C::image_position_x_>("imagepositionx"),
        uikey::Int<&C::image_position_y_>("imagepositiony"),
        uikey::Flag<&C::flag_border_>("flagborder"),
        uikey::Flag<&C::flag_image_border_>("flagimageborder"),
        uikey::UInt<&C::image_round_edge_x_>("imageroundedgex"),
        uikey::UInt<&C::image_round_edge_y_>("imageroundedgey"),
        uikey::Color<&C::background_color_range_start_>("backgroundcolorrangestart"),
        uikey::Keyword<&C::window_style_>("windowstyle"),
        uikey::Keyword<&C::font_weight_>("fontweight"),
        uikey::Color<&C::text_background_color_>("textbackgroundcolor"),
        uikey::Int<&C::button_width_>("buttonwidth"),
        uikey::Int<&C::button_height_>("buttonheight"),
        uikey::UInt<&C::button_viewable_count_>("buttonviewablecount"),
        uikey::UInt<&C::button_space_>("buttonspace"),
        uikey::Keyword<&C::style_>("style"),
        uikey::UInt<&C::scrollbar_space_>("scrollbarspace"),
        uikey::UInt<&C::scrollbar_thickness_>("scrollbarthickness"),
        uikey::Int<&C::text_width_>("textwidth"),
        uikey::Int<&C::text_height_>("textheight"),
        uikey::Int<&C::text_position_x_>("textpositionx"),
        uikey::Int<&C::text_position_y_>("textpositiony"),
        uikey::Keyword<&C::font_style_>("fontstyle"),
        uikey::UInt<&C::font_escapement_>("fontescapement"),
        uikey::Keyword<&C::text_style_>("textstyle"),
    };
    static constexpr auto kDomKeys =
        uikey::DomKeysColoursFirst<47>(kKeys, {"backgroundcolor", "textcolor", "transparentcolor"});
    static constexpr Form kForm =
        uikey::MakeForm(kUIObjectButtonLine, kKeys, kDomKeys, IdentifierAttribute());
    return kForm;
}
