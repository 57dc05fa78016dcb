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
    state_ = 0;
    result_ = KV_OK;
    owner_ = nullptr;
    child_identifier_limit_ = 0;
    identifier_.clear();
    width_ = 0;
    height_ = 0;
    position_x_ = 0;
    position_y_ = 0;
    background_color_ = kWhite;
    text_color_ = 0;
    text_background_color_ = kWhite;
    child_identifier_list_.clear();
    anchor_identifier_.clear();
    child_identifiers_.clear();
    text_.clear();
    text_magnify_ = 1.0f;
    uiid_ = 0;
    SetWindowStyle(kDefaultWindowStyle);
    SetWindowStyleEx(0);
    SetFontWeight(400);
    SetFontStyle(0);
    SetTextStyle(0);
    font_escapement_ = 0;
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
    CopyCommonState(other);
    result_ = other.result_;
    owner_ = other.owner_;
    child_identifier_limit_ = other.child_identifier_limit_;
    width_ = other.width_;
    height_ = other.height_;
    position_x_ = other.position_x_;
    position_y_ = other.position_y_;
    background_color_ = other.background_color_;
    text_color_ = other.text_color_;
    text_background_color_ = other.text_background_color_;
    child_identifier_list_ = other.child_identifier_list_;
    anchor_identifier_ = other.anchor_identifier_;
    text_ = other.text_;
    text_magnify_ = other.text_magnify_;
    uiid_ = other.uiid_;
    SetWindowStyle(other.GetWindowStyle());
    SetWindowStyleEx(other.GetWindowStyleEx());
    SetFontWeight(other.GetFontWeight());
    SetFontStyle(other.GetFontStyle());
    font_escapement_ = other.font_escapement_;
    SetTextStyle(other.GetTextStyle());
    tooltip_text_ = other.tooltip_text_;
    tooltip_width_ = other.tooltip_width_;
    flag_restricted_ = other.flag_restricted_;
    flag_only_ia5_chars_ = other.flag_only_ia5_chars_;
    return *this;
}

const CKvUIObject::Form& CKvUIObjectEdit::GetForm() const {
    using C = CKvUIObjectEdit;
    static constexpr UIKey kKeys[] = {
        uikey::Int<&C::width_>("width", uikey::kStored),
        uikey::Int<&C::height_>("height", uikey::kStored),
        uikey::Int<&C::position_x_>("positionx", uikey::kStored),
        uikey::Int<&C::position_y_>("positiony", uikey::kStored),
        uikey::UInt<&C::round_edge_x_>("roundedgex", uikey::kStored),
        uikey::UInt<&C::round_edge_y_>("roundedgey", uikey::kStored),
        uikey::Color<&C::background_color_>("backgroundcolor", uikey::kStored),
        uikey::Color<&C::text_color_>("textcolor", uikey::kStored),
        uikey::KeptColor<&C::transparent_color_>("transparentcolor", uikey::kStored),
        uikey::ResourceOrFile<&C::background_image_file_, &C::background_image_id_>(
            "backgroundimageridorfile"),
        uikey::Flag<&C::flag_background_wallpaper_>("flagbackgroundwallpaper", uikey::kStored),
        uikey::Flag<&C::flag_background_image_has_transparent_>("flagbackgroundimagehastransparent",
                                                                uikey::kStored),
        uikey::Flag<&C::flag_background_image_is_packed_>("flagbackgroundimageispacked",
                                                          uikey::kStored),
        uikey::Flag<&C::flag_size_follow_background_image_>("flagsizefollowbackgroundimage",
                                                            uikey::kStored),
        uikey::Text<&C::child_identifier_list_>("childidentifierlist", uikey::kStored),
        uikey::Text<&C::text_>("text"),
        uikey::Float<&C::text_magnify_>("textmagnify", uikey::kStored),
        uikey::UInt<&C::uiid_>("uiid", uikey::kStored),
        uikey::Flag<&C::flag_round_edge_left_>("flagroundedgeleft", uikey::kStored),
        uikey::Flag<&C::flag_round_edge_right_>("flagroundedgeright", uikey::kStored),
        uikey::Flag<&C::flag_button_as_static_>("flagbuttonasstatic", uikey::kStored),
        uikey::Int<&C::image_width_>("imagewidth", uikey::kStored),
        uikey::Int<&C::image_height_>("imageheight", uikey::kStored),
        uikey::Int<&C::image_position_x_>("imagepositionx", uikey::kStored),
        uikey::Int<&C::image_position_y_>("imagepositiony", uikey::kStored),
        uikey::Flag<&C::flag_border_>("flagborder", uikey::kStored),
        uikey::Flag<&C::flag_image_border_>("flagimageborder", uikey::kStored),
        uikey::UInt<&C::image_round_edge_x_>("imageroundedgex", uikey::kStored),
        uikey::UInt<&C::image_round_edge_y_>("imageroundedgey", uikey::kStored),
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
    static constexpr auto kDomKeys = uikey::SwapKeys(
        uikey::DomKeysColoursFirst<39>(kKeys, {"backgroundcolor", "textcolor", "transparentcolor"}),
        "windowstyle", "editstyle");
    static constexpr Form kForm =
        uikey::MakeForm(kUIObjectEdit, kKeys, kDomKeys, IdentifierAttribute());
    return kForm;
}
