#include "guidesc/ui_object_dialog.h"

#include "guidesc/ui_object_keys.h"

CKvUIObjectDialog::CKvUIObjectDialog(CKvUIObjectCatalog* owner, std::uint32_t id,
                                     const char* identifier)
    : CKvUIObject(kUIObjectDialog, owner, id, identifier) {
    Reset();
}

void CKvUIObjectDialog::Reset() {
    SetTypeCode(kUIObjectDialog);
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
    background_color_range_start_ = kWhite;
    background_color_ = kWhite;
    border_image_file_.clear();
    border_image_id_ = 0;
    SetWindowStyle(0);
    SetDialogStyle(0);
    diverse_flags_.clear();
}

CKvUIObjectDialog& CKvUIObjectDialog::operator=(const CKvUIObjectDialog& other) {
    if (&other == this)
        return *this;
    SetTypeCode(kUIObjectDialog);
    SetId(other.id_);
    CopyCommonState(other);
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
    background_color_range_start_ = other.background_color_range_start_;
    SetStyle(other.GetStyle());
    border_image_file_ = other.border_image_file_;
    border_image_id_ = other.border_image_id_;
    text_ = other.text_;
    SetWindowStyle(other.GetWindowStyle());
    background_color_ = other.background_color_;
    SetDialogStyle(other.GetDialogStyle());
    SetWindowStyleEx(other.GetWindowStyleEx());
    diverse_flags_ = other.diverse_flags_;
    return *this;
}

const CKvUIObject::Form& CKvUIObjectDialog::GetForm() const {
    using C = CKvUIObjectDialog;
    static constexpr UIKey kKeys[] = {
        KV_UI_GEOMETRY_KEYS(uikey::kDecoded),
        KV_UI_FACE_COLOUR_KEYS(uikey::kDecoded),
        KV_UI_BACKGROUND_IMAGE_KEYS(uikey::kDecoded, uikey::kDecoded),
        uikey::Text<&C::child_identifier_list_>("childidentifierlist"),
        uikey::UInt<&C::uiid_>("uiid"),
        uikey::Color<&C::background_color_range_start_>("backgroundcolorrangestart"),
        uikey::Keyword<&C::style_>("style"),
        uikey::ResourceOrFile<&C::border_image_file_, &C::border_image_id_>("borderimageridorfile"),
        uikey::Text<&C::text_>("text"),
        uikey::Keyword<&C::window_style_>("windowstyle"),
        uikey::Keyword<&C::dialog_style_>("dialogstyle"),
        uikey::Keyword<&C::window_style_ex_>("windowstyleex"),
        uikey::Text<&C::diverse_flags_>("diverseflags"),
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
        {"uiid"},
        {"backgroundcolorrangestart"},
        {"style"},
        {"borderimageridorfile"},
        {"text"},
        {"windowstyle"},
        {"dialogstyle"},
        {"windowstyleex"},
    };
    static constexpr auto kDomKeys = uikey::DomKeys(kKeys, kDomRows);
    static constexpr Form kForm =
        uikey::MakeForm(kUIObjectDialog, kKeys, kDomKeys, IdentifierAttribute());
    return kForm;
}
