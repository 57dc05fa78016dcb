#include "guidesc/ui_object_list_ctrl.h"

#include "guidesc/ui_object_keys.h"

CKvUIObjectListCtrl::CKvUIObjectListCtrl(CKvUIObjectCatalog* owner, std::uint32_t id,
                                         const char* identifier)
    : CKvUIObject(kUIObjectListCtrl, owner, id, identifier) {
    Reset();
}

void CKvUIObjectListCtrl::Reset() {
    SetTypeCode(kUIObjectListCtrl);
    SetId(0);
    timer_.Stop();
    state_ = 0;
    ResetHead();
    border_image_file_.clear();
    border_image_id_ = 0;
    header_name_list_.RemoveAll();
}

CKvUIObjectListCtrl& CKvUIObjectListCtrl::operator=(const CKvUIObjectListCtrl& other) {
    if (&other == this)
        return *this;
    SetTypeCode(kUIObjectListCtrl);
    SetId(other.id_);
    CopyCommonState(other);
    owner_ = other.owner_;
    CopyHead(other);
    SetListCtrlStyle(other.GetListCtrlStyle());
    border_image_file_ = other.border_image_file_;
    border_image_id_ = other.border_image_id_;
    header_name_list_ = other.header_name_list_;
    SetWindowStyle(other.GetWindowStyle());
    SetListCtrlExStyle(other.GetListCtrlExStyle());
    return *this;
}

const CKvUIObject::Form& CKvUIObjectListCtrl::GetForm() const {
    using C = CKvUIObjectListCtrl;
    static constexpr UIKey kKeys[] = {
        KV_UI_HEAD_KEYS(uikey::kDecoded),
        uikey::Keyword<&C::list_ctrl_style_>("listctrlstyle"),
        uikey::ResourceOrFile<&C::border_image_file_, &C::border_image_id_>("borderimageridorfile"),
        uikey::StringList<&C::header_name_list_>("headernamelist"),
        uikey::Keyword<&C::window_style_>("windowstyle"),
        uikey::Keyword<&C::list_ctrl_ex_style_>("listctrlexstyle"),
    };
    // The DOM reader also takes the font keys, which no writer writes.
    static constexpr UIKey kDomReadOnlyKeys[] = {
        uikey::Float<&C::text_magnify_>("textmagnify", uikey::kDecoded | kKeyReadOnly),
        uikey::Keyword<&C::font_weight_>("fontweight", uikey::kDecoded | kKeyReadOnly),
        uikey::Keyword<&C::font_style_>("fontstyle", uikey::kDecoded | kKeyReadOnly),
        uikey::UInt<&C::font_escapement_>("fontescapement", uikey::kDecoded | kKeyReadOnly),
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
        {"listctrlstyle"},
        {"borderimageridorfile"},
        {"headernamelist"},
        {"windowstyle"},
        {"listctrlexstyle"},
    };
    static constexpr auto kDomKeys =
        uikey::JoinKeys(uikey::DomKeys(kKeys, kDomRows), kDomReadOnlyKeys);
    static constexpr Form kForm =
        uikey::MakeForm(kUIObjectListCtrl, kKeys, kDomKeys, IdentifierAttribute());
    return kForm;
}
