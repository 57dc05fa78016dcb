#include "guidesc/ui_object_list_box.h"

#include "guidesc/ui_object_keys.h"

CKvUIObjectListBox::CKvUIObjectListBox(CKvUIObjectCatalog* owner, std::uint32_t id,
                                       const char* identifier)
    : CKvUIObject(kUIObjectListBox, owner, id, identifier) {
    Reset();
}

void CKvUIObjectListBox::Reset() {
    SetTypeCode(kUIObjectListBox);
    SetId(0);
    timer_.Stop();
    state_ = 0;
    ResetHead();
    border_image_file_.clear();
    border_image_id_ = 0;
    header_name_list_.RemoveAll();
    SetListBoxStyle(0);
    SetWindowStyle(0);
}

CKvUIObjectListBox& CKvUIObjectListBox::operator=(const CKvUIObjectListBox& other) {
    if (&other == this)
        return *this;
    SetTypeCode(kUIObjectListBox);
    SetId(other.id_);
    CopyCommonState(other);
    owner_ = other.owner_;
    CopyHead(other);
    SetStyle(other.GetStyle());
    border_image_file_ = other.border_image_file_;
    border_image_id_ = other.border_image_id_;
    header_name_list_ = other.header_name_list_;
    text_magnify_ = other.text_magnify_;
    SetFontWeight(other.GetFontWeight());
    SetFontStyle(other.GetFontStyle());
    font_escapement_ = other.font_escapement_;
    uiid_ = other.uiid_;
    SetListBoxStyle(other.GetListBoxStyle());
    SetWindowStyle(other.GetWindowStyle());
    return *this;
}

const CKvUIObject::Form& CKvUIObjectListBox::GetForm() const {
    using C = CKvUIObjectListBox;
    static constexpr UIKey kKeys[] = {
        KV_UI_HEAD_KEYS(uikey::kDecoded),
        uikey::Keyword<&C::style_>("style"),
        uikey::ResourceOrFile<&C::border_image_file_, &C::border_image_id_>("borderimageridorfile"),
        uikey::StringList<&C::header_name_list_>("headernamelist"),
        uikey::Float<&C::text_magnify_>("textmagnify"),
        uikey::Keyword<&C::font_weight_>("fontweight"),
        uikey::Keyword<&C::font_style_>("fontstyle"),
        uikey::UInt<&C::font_escapement_>("fontescapement"),
        uikey::Keyword<&C::list_box_style_>("listboxstyle"),
        uikey::Keyword<&C::window_style_>("windowstyle"),
    };
    // The DOM form's keys, in its order. The DOM writer writes the font keys,
    // which the DOM reader does not take.
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
        {"headernamelist"},
        {"textmagnify", kKeyWriteOnly},
        {"fontweight", kKeyWriteOnly},
        {"fontstyle", kKeyWriteOnly},
        {"fontescapement", kKeyWriteOnly},
        {"listboxstyle"},
        {"windowstyle"},
    };
    static constexpr auto kDomKeys = uikey::DomKeys(kKeys, kDomRows);
    static constexpr Form kForm =
        uikey::MakeForm(kUIObjectListBox, kKeys, kDomKeys, IdentifierAttribute());
    return kForm;
}
