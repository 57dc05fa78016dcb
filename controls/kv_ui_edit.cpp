#include "controls/kv_ui_edit.h"

#include "controls/control_description.h"
#include "controls/control_tooltip.h"

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
    KvDestroyWithToolTip(*this, m_tooltip);
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
    return m_strExcluded.empty() || m_strExcluded.find(static_cast<char>(character & 0xFF)) == std::string::npos;
}

void CKvUIEdit::OnChar(UINT character, UINT, UINT) {
    if (GetIA5OnlyFlag() == 0 || (GetStyle() & ES_READONLY) != 0) {
        if (IsCharacterAccepted(character))
            Default();
        return;
    }
    if (!IsIA5Character(character))
        return;
    if (m_nRestricted != 0) {
        std::string text;
        GetWindowText(text);
        SendMessage(EM_SETSEL, text.size(), -1);
        SendMessage(EM_SCROLLCARET);
    }
    Default();
}

BOOL CKvUIEdit::PreTranslateMessage(MSG* message) {
    if (m_nRestricted == 0 || message == nullptr || (message->message != WM_KEYDOWN && message->message != WM_KEYUP))
        return CEdit::PreTranslateMessage(message);
    const int key = static_cast<int>(message->wParam);
    if (key == VK_SHIFT)
        m_nShiftHeld = message->message == WM_KEYDOWN ? 1 : 0;
    const bool blocked = (key == VK_INSERT && m_nShiftHeld != 0) || (key >= VK_LEFT && key <= VK_DOWN) ||
                         key == VK_DELETE;
    if (blocked)
        return TRUE;
    return CEdit::PreTranslateMessage(message);
}

LRESULT CKvUIEdit::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    // Return in restricted mode is the edit's own, not the dialog's.
    if (message == WM_GETDLGCODE && m_nRestricted != 0 && wParam == static_cast<WPARAM>(VK_RETURN))
        return DLGC_WANTMESSAGE;
    if (m_nRestricted != 0 && (message == WM_CUT || message == WM_PASTE || message == WM_CLEAR ||
                             message == WM_UNDO || message == EM_UNDO))
        return 0;
    return CEdit::WindowProc(message, wParam, lParam);
}

HBRUSH CKvUIEdit::CtlColor(CDC* dc, UINT) {
    dc->SetTextColor(m_clrText);
    m_brush.DeleteObject();
    const COLORREF back = IsWindowEnabled() ? m_clrBackground : m_clrDisabledBackground;
    dc->SetBkColor(back);
    m_brush.CreateSolidBrush(back);
    return static_cast<HBRUSH>(m_brush.m_hObject);
}

void CKvUIEdit::OnMouseMove(UINT flags, CPoint point) {
    if (m_nTooltipActive != 0)
        KvRelayToolTipEvent(m_tooltip, m_hWnd, WM_MOUSEMOVE, flags, MAKELPARAM(point.x, point.y));
    Default();
}

KvResult CKvUIEdit::ApplyDescription() {
    CKvUIObject* found = nullptr;
    result_ = KvFindDescription(*this, kUIObjectEdit, found);
    if (KvFailed(result_))
        return result_;
    const auto& description = static_cast<const CKvUIObjectEdit&>(*found);
    CKvUIObjectEdit::operator=(description);
    CKvUIObjectCatalog* catalog = GetOwner();
    std::int32_t x = 0;
    std::int32_t y = 0;
    catalog->GetAbsolutePosition(x, y, found);
    GetPositionX() = x;
    GetPositionY() = y;
    KvResolveText(catalog, GetText());
    std::string tooltip = GetTooltipText();
    if (KvResolveText(catalog, tooltip))
        SetTooltipText(tooltip);
    CRect client;
    KvDescriptionRects(*this, m_rectWindow, client);
    const DWORD window_style = GetWindowStyle();
    m_nCreationStyle = (window_style != 0 ? window_style : kDefaultCreationStyle) | description.GetEditStyle();
    m_nIA5Only = GetFlagOnlyIA5Chars();
    m_nRestricted = GetFlagRestricted();
    m_clrText = GetTextColor();
    m_clrBackground = GetBackgroundColor();
    m_nFontWeight = static_cast<LONG>(GetFontWeight());
    m_fTextMagnify = GetTextMagnify();
    return result_;
}

KvResult CKvUIEdit::CreateFromDescription(CWnd* parent, BOOL apply) {
    result_ = KvCreateFromDescription(parent, apply, [this] { ApplyDescription(); }, [&] {
        KvRegisterWindowClasses();
        return CreateEx(GetWindowStyleEx(), KV_EDIT_CLASS, GetText().c_str(), m_nCreationStyle, m_rectWindow,
                        parent, GetUiid());
    });
    if (KvFailed(result_))
        return result_;
    // Without a parent font the edit keeps the system font; that is no failure.
    LOGFONT made;
    KvControlFontSpec spec;
    spec.weight = m_nFontWeight;
    spec.magnify = m_fTextMagnify;
    if (KvSucceeded(KvCreateControlFont(*this, m_font, made, spec)))
        SetFont(&m_font, FALSE);
    CreateToolTip();
    return result_;
}

void CKvUIEdit::CreateToolTip() {
    m_nTooltipActive = KvToolTipActive(*this);
    KvMakeToolTip(m_tooltip, *this, GetTooltipText());
    KvSetToolTipWidth(m_tooltip, *this, *this, m_nTooltipActive, GetTooltipWidth());
}
