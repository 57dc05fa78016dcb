#include "guidesc/ui_object_static_group_box.h"

#include "guidesc/ui_object_keys.h"

CKvUIObjectStaticGroupBox::CKvUIObjectStaticGroupBox(CKvUIObjectCatalog* owner, std::uint32_t id,
                                                     const char* identifier)
    : CKvUIObject(kUIObjectStaticGroupBox, owner, id, identifier) {
    Reset();
}

void CKvUIObjectStaticGroupBox::Reset() {
    SetTypeCode(kUIObjectStaticGroupBox);
    SetId(0);
    state_ = 0;
    round_edge_x_ = 0;
    round_edge_y_ = 0;
    background_image_file_.clear();
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
    anchor_identifier_.clear();
    pen_color_ = kDefaultPenColor;
}

CKvUIObjectStaticGroupBox&
CKvUIObjectStaticGroupBox::operator=(const CKvUIObjectStaticGroupBox& other) {
    if (&other == this)
        return *this;
    SetTypeCode(kUIObjectStaticGroupBox);
    SetId(other.id_);
    CopyCommonState(other);
    owner_ = other.owner_;
    height_ = other.height_;
    width_ = other.width_;
    position_x_ = other.position_x_;
    position_y_ = other.position_y_;
    anchor_identifier_ = other.anchor_identifier_;
    text_ = other.text_;
    text_magnify_ = other.text_magnify_;
    text_color_ = other.text_color_;
    uiid_ = other.uiid_;
    round_edge_x_ = other.round_edge_x_;
    round_edge_y_ = other.round_edge_y_;
    pen_color_ = other.pen_color_;
    return *this;
}

const CKvUIObject::Form& CKvUIObjectStaticGroupBox::GetForm() const {
    using C = CKvUIObjectStaticGroupBox;
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
        uikey::Color<&C::pen_color_>("pencolor"),
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
        uikey::Keyword<&C::text_style_>("textstyle"),
        uikey::Text<&C::anchor_identifier_>("anchoridentifier", uikey::kStored),
    };
    static constexpr auto kDomKeys = uikey::DomKeysColoursFirst<32>(
        kKeys, {"backgroundcolor", "textcolor", "transparentcolor", "pencolor"});
    static constexpr Form kForm =
        uikey::MakeForm(kUIObjectStaticGroupBox, kKeys, kDomKeys, IdentifierAttribute());
    return kForm;
}
