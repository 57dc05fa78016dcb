#include "guidesc/ui_object_string.h"

#include "guidesc/ui_object_keys.h"

CKvUIObjectString::CKvUIObjectString(CKvUIObjectCatalog* owner, std::uint32_t id,
                                     const char* identifier)
    : CKvUIObject(kUIObjectString, owner, id, identifier) {
    Reset();
}

void CKvUIObjectString::Reset() {
    SetTypeCode(kUIObjectString);
    SetId(0);
    timer_.Stop();
    state_ = 0;
    ResetHead();
    border_image_file_.clear();
    border_image_id_ = 0;
}

CKvUIObjectString& CKvUIObjectString::operator=(const CKvUIObjectString& other) {
    if (&other == this)
        return *this;
    SetTypeCode(kUIObjectString);
    SetId(other.id_);
    CopyCommonState(other);
    owner_ = other.owner_;
    CopyHead(other);
    SetStyle(other.GetStyle());
    border_image_file_ = other.border_image_file_;
    border_image_id_ = other.border_image_id_;
    text_ = other.text_;
    SetWindowStyle(other.GetWindowStyle());
    background_color_ = other.background_color_;
    return *this;
}

const CKvUIObject::Form& CKvUIObjectString::GetForm() const {
    using C = CKvUIObjectString;
    static constexpr UIKey kKeys[] = {
        KV_UI_HEAD_KEYS(uikey::kDecoded),
        uikey::Keyword<&C::style_>("style"),
        uikey::ResourceOrFile<&C::border_image_file_, &C::border_image_id_>("borderimageridorfile"),
        uikey::Text<&C::text_>("text"),
        uikey::Keyword<&C::window_style_>("windowstyle"),
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
    };
    static constexpr auto kDomKeys = uikey::DomKeys(kKeys, kDomRows);
    static constexpr Form kForm =
        uikey::MakeForm(kUIObjectString, kKeys, kDomKeys, IdentifierAttribute());
    return kForm;
}
