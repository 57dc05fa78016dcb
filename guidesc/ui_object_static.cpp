#include "guidesc/ui_object_static.h"

#include "guidesc/ui_object_keys.h"

CKvUIObjectStatic::CKvUIObjectStatic(CKvUIObjectCatalog* owner, std::uint32_t id,
                                     const char* identifier)
    : CKvUIObject(kUIObjectStatic, owner, id, identifier) {
    Reset();
}

void CKvUIObjectStatic::Reset() {
    SetTypeCode(kUIObjectStatic);
    SetId(0);
    state_ = 0;
    SetTextStyle(0);
    anchor_identifier_.clear();
    ResetFace();
    ResetImageArea();
    background_color_range_start_ = kWhite;
}

CKvUIObjectStatic& CKvUIObjectStatic::operator=(const CKvUIObjectStatic& other) {
    if (&other == this)
        return *this;
    SetTypeCode(kUIObjectStatic);
    SetId(other.id_);
    CopyCommonState(other);
    owner_ = other.owner_;
    width_ = other.width_;
    height_ = other.height_;
    position_x_ = other.position_x_;
    position_y_ = other.position_y_;
    background_color_ = other.background_color_;
    text_color_ = other.text_color_;
    text_ = other.text_;
    text_magnify_ = other.text_magnify_;
    uiid_ = other.uiid_;
    font_escapement_ = other.font_escapement_;
    SetWindowStyle(other.GetWindowStyle());
    SetFontWeight(other.GetFontWeight());
    SetFontStyle(other.GetFontStyle());
    SetTextStyle(other.GetTextStyle());
    anchor_identifier_ = other.anchor_identifier_;
    round_edge_x_ = other.round_edge_x_;
    round_edge_y_ = other.round_edge_y_;
    background_image_file_ = other.background_image_file_;
    background_image_id_ = other.background_image_id_;
    flag_background_wallpaper_ = other.flag_background_wallpaper_;
    flag_background_image_has_transparent_ = other.flag_background_image_has_transparent_;
    flag_background_image_is_packed_ = other.flag_background_image_is_packed_;
    flag_size_follow_background_image_ = other.flag_size_follow_background_image_;
    transparent_color_ = other.transparent_color_;
    background_color_range_start_ = other.background_color_range_start_;
    SetStyle(other.GetStyle());
    return *this;
}

const CKvUIObject::Form& CKvUIObjectStatic::GetForm() const {
    using C = CKvUIObjectStatic;
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
        uikey::Keyword<&C::font_weight_>("fontweight", uikey::kStored),
        uikey::Keyword<&C::style_>("style", uikey::kStored),
        uikey::Keyword<&C::font_style_>("fontstyle", uikey::kStored),
        uikey::UInt<&C::font_escapement_>("fontescapement", uikey::kStored),
        uikey::Keyword<&C::text_style_>("textstyle", uikey::kStored),
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
        {"fontweight"},
        {"style"},
        {"fontstyle"},
        {"fontescapement"},
        {"textstyle"},
        {"anchoridentifier"},
    };
    static constexpr auto kDomKeys = uikey::DomKeys(kKeys, kDomRows);
    static constexpr Form kForm =
        uikey::MakeForm(kUIObjectStatic, kKeys, kDomKeys, IdentifierAttribute());
    return kForm;
}
