#include "controls/ui_edit.h"

#include "controls/control_font.h"

#include "guidesc/ui_object_catalog.h"
#include "guidesc/ui_object_catalog_type.h"
#include "platform/pointer.h"

namespace {

// WS_CHILD, WS_VISIBLE, WS_BORDER, WS_TABSTOP: the style when the
// description gives none.
constexpr DWORD kDefaultCreationStyle = 0x50810000;

constexpr UINT kBackspace = 0x08;

// The Windows-1252 letters beyond ASCII that the IA5 mode admits.
constexpr UINT kIA5Extras[] = {0xBB, 0xC4, 0xD6, 0xDC, 0xDF, 0xE4, 0xF6, 0xFC};

}  // namespace

CKvUIEdit::CKvUIEdit() : CKvUIObjectEdit(nullptr, 0, nullptr) {}

CKvUIEdit::~CKvUIEdit() {
    // The tooltip is a window of its own; it goes before the edit's.
    if (tooltip_.IsWindow())
        tooltip_.DestroyWindow();
    if (IsWindow())
        DestroyWindow();
}

bool CKvUIEdit::IsIA5Character(UINT character) {
    const UINT code = character & 0xFFFF;
    if ((code >= 0x20 && code <= 0x5A) || (code >= 0x60 && code <= 0x7A) || code == kBackspace)
        return true;
    for (UINT extra : kIA5Extras) {
        if (code == extra)
            return true;
    }
    return false;
}

bool CKvUIEdit::IsCharacterAccepted(UINT character) const {
    return excluded_.empty() || excluded_.find(static_cast<char>(character & 0xFF)) == std::string::npos;
}

void CKvUIEdit::OnChar(UINT character, UINT, UINT) {
    if (GetIA5OnlyFlag() == 0 || (GetStyle() & ES_READONLY) != 0) {
        if (IsCharacterAccepted(character))
            Default();
        return;
    }
    if (!IsIA5Character(character))
        return;
    if (restricted_ != 0) {
        std::string text;
        GetWindowText(text);
        SendMessage(EM_SETSEL, text.size(), -1);
        SendMessage(EM_SCROLLCARET);
    }
    Default();
}

BOOL CKvUIEdit::PreTranslateMessage(MSG* message) {
    if (restricted_ == 0 || message == nullptr || (message->message != WM_KEYDOWN && message->message != WM_KEYUP))
        return CEdit::PreTranslateMessage(message);
    const int key = static_cast<int>(message->wParam);
    if (key == VK_SHIFT)
        shift_held_ = message->message == WM_KEYDOWN ? 1 : 0;
    const bool blocked = (key == VK_INSERT && shift_held_ != 0) || (key >= VK_LEFT && key <= VK_DOWN) ||
                         key == VK_DELETE;
    if (blocked)
        return TRUE;
    return CEdit::PreTranslateMessage(message);
}

LRESULT CKvUIEdit::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (restricted_ != 0 && (message == WM_CUT || message == WM_PASTE || message == WM_CLEAR ||
                             message == WM_UNDO || message == EM_UNDO))
        return 0;
    return CEdit::WindowProc(message, wParam, lParam);
}

HBRUSH CKvUIEdit::CtlColor(CDC* dc, UINT) {
    dc->SetTextColor(text_colour_);
    brush_.DeleteObject();
    const COLORREF back = IsWindowEnabled() ? background_colour_ : disabled_background_colour_;
    dc->SetBkColor(back);
    brush_.CreateSolidBrush(back);
    return static_cast<HBRUSH>(brush_.m_hObject);
}

void CKvUIEdit::OnMouseMove(UINT flags, CPoint point) {
    if (tooltip_active_ != 0 && tooltip_.IsWindow()) {
        MSG relayed(m_hWnd, WM_MOUSEMOVE, flags, MAKELPARAM(point.x, point.y));
        relayed.time = 0;
        relayed.pt = point;
        tooltip_.RelayEvent(&relayed);
    }
    Default();
}

KvResult CKvUIEdit::ApplyDescription() {
    result_ = KV_OK;
    CKvUIObjectCatalog* catalog = GetOwner();
    if (!IsValidPtr(catalog))
        return result_ = KV_E_INVALID_POINTER;
    if (GetIdentifier().empty())
        return result_ = KV_E_FAIL;
    CKvUIObjectCatalogType* type = nullptr;
    const KvResult found_type = catalog->GetType(type, kUIObjectEdit);
    if (KvFailed(found_type))
        return result_ = found_type;
    CKvUIObject* found = nullptr;
    auto* description = type->Lookup(found, GetIdentifier()) ? dynamic_cast<CKvUIObjectEdit*>(found) : nullptr;
    if (description == nullptr)
        return result_ = KV_E_FAIL;
    CKvUIObjectEdit::operator=(*description);
    catalog->GetString(GetText(), GetText());
    std::string tooltip = GetTooltipText();
    if (catalog->GetString(tooltip, tooltip))
        SetTooltipText(tooltip);
    std::int32_t x = 0;
    std::int32_t y = 0;
    if (KvSucceeded(catalog->GetAbsolutePosition(x, y, found))) {
        GetPositionX() = x;
        GetPositionY() = y;
    }
    window_rect_ = RECT{GetPositionX(), GetPositionY(), GetPositionX() + GetWidth() - 1, GetPositionY() + GetHeight() - 1};
    const DWORD window_style = GetWindowStyle();
    creation_style_ = (window_style != 0 ? window_style : kDefaultCreationStyle) | description->GetEditStyle();
    ia5_only_ = GetFlagOnlyIA5Chars();
    restricted_ = GetFlagRestricted();
    text_colour_ = GetTextColor();
    background_colour_ = GetBackgroundColor();
    font_weight_ = static_cast<LONG>(GetFontWeight());
    text_magnify_ = GetTextMagnify();
    return result_;
}

KvResult CKvUIEdit::CreateFromDescription(CWnd* parent, BOOL apply) {
    result_ = KV_OK;
    if (!IsValidPtr(parent))
        return result_ = KV_E_INVALID_POINTER;
    if (apply)
        ApplyDescription();
    KvRegisterWindowClasses();
    if (!CreateEx(GetWindowStyleEx(), KV_EDIT_CLASS, GetText().c_str(), creation_style_, window_rect_, parent,
                  GetUiid()))
        return result_ = KV_E_FAIL;
    // Without a parent font the edit keeps the system font; that is no failure.
    if (KvSucceeded(CreateFont()))
        SetFont(&font_, FALSE);
    CreateToolTip();
    return result_;
}

KvResult CKvUIEdit::CreateFont() {
    CWnd* parent = GetParent();
    return KvCreateControlFont(font_, parent ? parent->m_hWnd : nullptr, font_weight_, text_magnify_);
}

void CKvUIEdit::CreateToolTip() {
    tooltip_active_ = !GetTooltipText().empty() && GetTooltipWidth() != 0 ? 1 : 0;
    if (!tooltip_.IsWindow() && tooltip_.Create(this, 0) && tooltip_.AddTool(this, GetTooltipText().c_str()))
        tooltip_.Activate(TRUE);
    if (tooltip_.IsWindow())
        tooltip_.SetMaxTipWidth(GetTooltipWidth());
}
