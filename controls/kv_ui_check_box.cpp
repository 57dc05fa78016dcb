#include "controls/kv_ui_check_box.h"

#include "controls/control_description.h"
#include "controls/control_tooltip.h"

namespace {

const CSize kCorner(3, 3);
// The caption's left edge, whatever the box's size.
constexpr int kCaptionLeft = 20;

}  // namespace

CKvUICheckBox::CKvUICheckBox() : CKvUIObjectCheckBox(nullptr, 0, nullptr) {}

CKvUICheckBox::~CKvUICheckBox() {
    KvDestroyWithToolTip(*this, m_tooltip);
    m_pSavedBackground.reset();
}

CRect CKvUICheckBox::BoxRect(const CRect& client) {
    CRect box(client.left, client.top, client.left + client.bottom, client.bottom);
    box.InflateRect(-1, -1);
    return box;
}

CRect CKvUICheckBox::MarkRect(const CRect& client) {
    CRect mark = BoxRect(client);
    mark.DeflateRect(3, 3);
    return mark;
}

KvResult CKvUICheckBox::ApplyDescription() {
    CKvUIObject* found = nullptr;
    Result() = KvFindDescription(*this, kUIObjectCheckBox, found);
    // Only an invalid catalog keeps its own code; every other miss is a failure.
    if (KvFailed(Result()))
        return Result() = Result() == KV_E_INVALID_POINTER ? KV_E_INVALID_POINTER : KV_E_FAIL;
    CKvUIObjectCheckBox::operator=(static_cast<const CKvUIObjectCheckBox&>(*found));
    CKvUIObjectCatalog* catalog = GetOwner();
    std::int32_t x = 0;
    std::int32_t y = 0;
    catalog->GetAbsolutePosition(x, y, found);
    GetPositionX() = x;
    GetPositionY() = y;
    // The assignment keeps this part's geometry and colours: they come from
    // the found description itself.
    KvDescriptionRects(x, y, found->GetWidth(), found->GetHeight(), m_rectWindow, m_rectClient);
    m_rectCaption = m_rectClient;
    KvResolveText(catalog, GetText());
    SetCaption(GetText());
    m_fTextMagnify = found->GetTextMagnify();
    std::string tooltip = GetTooltipText();
    if (KvResolveText(catalog, tooltip))
        SetTooltipText(tooltip);
    m_nFontWeight = static_cast<std::int32_t>(found->GetFontWeight());
    m_clrText = found->GetTextColor();
    m_clrBackground = found->GetBackgroundColor();
    m_clrTextBackground = found->GetTextBackgroundColor();
    SetControlId(found->GetUiid());
    return Result();
}

KvResult CKvUICheckBox::CreateFromDescription(CWnd* parent, BOOL apply) {
    Result() = KV_OK;
    if (!IsValidPtr(parent))
        return Result() = KV_E_INVALID_POINTER;
    if (apply)
        ApplyDescription();
    const KvResult applied = Result();
    if (!Create(m_strCaption.c_str(), m_nWindowStyle, m_rectWindow, parent, m_nControlId))
        return Result() = KV_E_FAIL;
    MakeToolTip();
    return Result() = applied;
}

void CKvUICheckBox::MakeToolTip() {
    m_nTooltip = KvToolTipActive(*this);
    KvMakeToolTip(m_tooltip, *this, GetTooltipText());
    SetTooltipWidth(GetTooltipWidth());
}

int CKvUICheckBox::SetTooltipWidth(int width) {
    return KvSetToolTipWidth(m_tooltip, *this, *this, m_nTooltip, width);
}

void CKvUICheckBox::RelayToolTipEvent(UINT message, WPARAM wParam, LPARAM lParam) {
    KvRelayToolTipEvent(m_tooltip, m_hWnd, message, wParam, lParam);
}

void CKvUICheckBox::PreSubclassWindow() {
    ModifyStyle(0x1F, BS_OWNERDRAW, SWP_FRAMECHANGED);
    CButton::PreSubclassWindow();
    m_bWindowReady = TRUE;
}

LRESULT CKvUICheckBox::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case BM_SETCHECK:
        m_nChecked = wParam == BST_CHECKED || wParam == BST_INDETERMINATE ? 1 : 0;
        Invalidate(TRUE);
        return 0;
    case BM_GETCHECK:
        return m_nChecked;
    default:
        return CButton::WindowProc(message, wParam, lParam);
    }
}

HBRUSH CKvUICheckBox::OnCtlColor(CDC* pDC, CWnd*, UINT) {
    pDC->SetBkMode(TRANSPARENT);
    return static_cast<HBRUSH>(::GetStockObject(NULL_BRUSH));
}

BOOL CKvUICheckBox::OnEraseBkgnd(CDC* pDC) {
    CRect client;
    GetClientRect(&client);
    ::FillRect(pDC->GetSafeHdc(), &client, static_cast<HBRUSH>(::GetStockObject(NULL_BRUSH)));
    return TRUE;
}

void CKvUICheckBox::Toggle() {
    m_nChecked = 1 - m_nChecked;
    Invalidate(TRUE);
}

void CKvUICheckBox::OnLButtonDown(UINT, CPoint) {
    m_bPressed = true;
    Default();
}

void CKvUICheckBox::OnLButtonUp(UINT flags, CPoint point) {
    if (m_nTooltip != 0)
        RelayToolTipEvent(WM_MOUSEMOVE, flags, MAKELPARAM(point.x, point.y));
    // Only a press that began here and ends here: the button holds the
    // capture, so a release elsewhere arrives too.
    CRect client;
    GetClientRect(&client);
    if (m_bPressed && client.PtInRect(point))
        Toggle();
    m_bPressed = false;
    Default();
}

void CKvUICheckBox::OnCaptureChanged(CWnd*) {
    m_bPressed = false;
    Default();
}

void CKvUICheckBox::OnKeyDown(UINT key, UINT, UINT) {
    if (key == static_cast<UINT>(VK_SPACE))
        Toggle();
    Default();
}

void CKvUICheckBox::OnMouseMove(UINT flags, CPoint point) {
    if (m_nTooltip != 0)
        RelayToolTipEvent(WM_MOUSEMOVE, flags, MAKELPARAM(point.x, point.y));
    Default();
}

void CKvUICheckBox::DrawItem(DRAWITEMSTRUCT* item) {
    if (item == nullptr)
        return;
    CDC* dc = CDC::FromHandle(item->hDC);
    m_nDisabled = item->itemState & ODS_DISABLED;
    m_nFocused = item->itemState & ODS_FOCUS;
    m_nPushed = item->itemState & ODS_SELECTED;
    GetWindowRect(&m_rectClient);
    ScreenToClient(&m_rectClient);
    DrawBackground(dc);
    const CRect box = BoxRect(m_rectClient);
    CPen frame(PS_SOLID, 1, ::GetSysColor(COLOR_ACTIVECAPTION));
    CPen mark(PS_SOLID, 1, ::GetSysColor(COLOR_INACTIVECAPTION));
    CPen* previous = dc->SelectObject(&frame);
    ::FillRect(dc->GetSafeHdc(), &box, static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH)));
    DrawRoundedFrame(dc, box, kCorner);
    if (m_nChecked != 0) {
        dc->SelectObject(&mark);
        const CRect inner = MarkRect(m_rectClient);
        dc->RoundRect(inner.left, inner.top, inner.right, inner.bottom, kCorner.cx, kCorner.cy);
    }
    DrawCaption(dc);
    if (m_nFocused != 0) {
        dc->SelectObject(&mark);
        DrawRoundedFrame(dc, m_rectClient, kCorner);
    }
    dc->SelectObject(previous);
    CDC::DeleteTempHandle(item->hDC);
}

void CKvUICheckBox::DrawRoundedFrame(CDC* pDC, const CRect& r, CSize c) {
    HDC dc = pDC->GetSafeHdc();
    ::MoveToEx(dc, r.right - c.cx, r.top, nullptr);
    ::ArcTo(dc, r.left, r.top, r.left + 2 * c.cx, r.top + 2 * c.cy, r.left + c.cx, r.top, r.left, r.top + c.cy);
    ::ArcTo(dc, r.left, r.bottom - 2 * c.cy, r.left + 2 * c.cx, r.bottom, r.left, r.bottom - c.cy, r.left + c.cx,
            r.bottom);
    ::ArcTo(dc, r.right - 2 * c.cx, r.bottom - 2 * c.cy, r.right, r.bottom, r.right - c.cx, r.bottom, r.right,
            r.bottom - c.cy);
    ::ArcTo(dc, r.right - 2 * c.cx, r.top, r.right, r.top + 2 * c.cy, r.right, r.top + c.cy, r.right - c.cx, r.top);
}

int CKvUICheckBox::DrawBackground(CDC* pDC) {
    CBrush brush(m_clrBackground);
    if (!m_pSavedBackground)
        CopyParentBackground();
    if (m_pSavedBackground && KvIsNoBrush(m_clrBackground)) {
        pDC->BitBlt(0, 0, m_rectClient.Width(), m_rectClient.Height(), m_pSavedBackground.get(), 0, 0, SRCCOPY);
        return 1;
    }
    pDC->SetBkMode(OPAQUE);
    pDC->FillRect(&m_rectClient, &brush);
    return 1;
}

KvResult CKvUICheckBox::CopyParentBackground() {
    Result() = KV_OK;
    if (!m_bWindowReady)
        return Result();
    CWnd* parent = GetParent();
    if (!IsValidPtr(parent))
        return Result() = KV_E_INVALID_POINTER;
    if (parent->m_hWnd == nullptr)
        return Result();
    CRect place;
    GetWindowRect(&place);
    parent->ScreenToClient(&place);
    CDC* parentDC = parent->GetDC();
    CDC* ownDC = GetDC();
    if (IsValidPtr(parentDC) && IsValidPtr(ownDC) && parentDC->GetSafeHdc() != nullptr &&
        ownDC->GetSafeHdc() != nullptr) {
        auto saved = std::make_unique<CDC>();
        saved->CreateCompatibleDC(ownDC);
        m_savedBitmap.DeleteObject();
        m_savedBitmap.CreateCompatibleBitmap(ownDC, m_rectClient.Width(), m_rectClient.Height());
        saved->SelectObject(&m_savedBitmap);
        saved->BitBlt(0, 0, m_rectClient.Width(), m_rectClient.Height(), parentDC, place.left, place.top, SRCCOPY);
        m_pSavedBackground = std::move(saved);
    } else {
        Result() = KV_E_INVALID_POINTER;
    }
    if (IsValidPtr(parentDC))
        parent->ReleaseDC(parentDC);
    if (IsValidPtr(ownDC))
        ReleaseDC(ownDC);
    return Result();
}

KvResult CKvUICheckBox::DrawCaption(CDC* pDC) {
    Result() = KV_OK;
    std::string text;
    GetWindowText(text);
    if (text.empty())
        return Result();
    CreateFont();
    if (m_font.GetSafeHandle() == nullptr)
        return Result();
    CFont* previous = pDC->SelectObject(&m_font);
    GetWindowRect(&m_rectCaption);
    ScreenToClient(&m_rectCaption);
    m_rectCaption.left += m_rectCaption.Height() + 4;
    m_rectCaption.right -= m_rectCaption.left - kCaptionLeft;
    m_rectCaption.left = kCaptionLeft;
    pDC->SetTextColor(m_clrText);
    pDC->SetBkColor(m_clrTextBackground & 0xFFFFFF);
    pDC->SetBkMode(KvIsNoBrush(m_clrTextBackground) ? TRANSPARENT : OPAQUE);
    pDC->DrawText(text, &m_rectCaption, m_nCaptionFormat);
    if (previous != nullptr)
        pDC->SelectObject(previous);
    return Result();
}

KvResult CKvUICheckBox::CreateFont() {
    KvControlFontSpec spec;
    spec.weight = m_nFontWeight;
    spec.magnify = m_fTextMagnify;
    return Result() = KvCreateControlFont(*this, m_font, m_logFont, spec);
}
