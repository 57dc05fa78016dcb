#include "controls/kv_ui_xp_button.h"

#include "controls/control_description.h"
#include "controls/control_tooltip.h"
#include "controls/kv_ui_static_group_box.h"
#include "platform/geometry.h"

#include <cmath>
#include <numbers>

namespace {

// Ring colours by look, ring (outside in) and side (top, bottom, left,
// right), in the order the frame painters take them.
constexpr COLORREF kRingColors[3][4][4] = {
    {// normal
     {0xC9DCE0, 0xF6FAFA, 0xCBDEE2, 0xE0EEF0},
     {0xFFFFFF, 0xC5D0D6, 0xF0F4F4, 0xDFE5E8},
     {0xFEFEFE, 0xD6DFE2, 0xF0F4F4, 0xE7EDEE},
     {0xFBFCFC, 0xE6EBEC, 0xEFF3F3, 0xEEF2F2}},
    {// hover
     {0xC9DCE0, 0xF6FAFA, 0xCBDEE2, 0xE0EEF0},
     {0xCFF0FF, 0x0097E5, 0x69CAFC, 0x72CEFC},
     {0x89D8FD, 0x30B3F8, 0x6ACAFB, 0x72CFFB},
     {0xFBFCFC, 0xE6EBEC, 0xEFF3F3, 0xEEF2F2}},
    {// focus
     {0xC9DCE0, 0xF6FAFA, 0xCBDEE2, 0xE0EEF0},
     {0xFFE7CE, 0xEE8269, 0xECBEA0, 0xEEC2A5},
     {0xF6D4BC, 0xE4AD89, 0xECBEA0, 0xEDBEA1},
     {0xFBFCFC, 0xE6EBEC, 0xEFF3F3, 0xEEF2F2}},
};

constexpr COLORREF kFillColor = 0xEEF2F2;
constexpr COLORREF kFillPenColor = 0xEFF3F3;
constexpr COLORREF kDisabledFillColor = 0xEAF4FE;
constexpr COLORREF kOutlineColor = 0x743C00;
constexpr COLORREF kDisabledOutlineColor = 0xBAC7C9;

}  // namespace

COLORREF CKvUIXPButton::RingColor(Look look, Ring ring, Side side) { return kRingColors[look][ring][side]; }

CKvUIXPButton::CKvUIXPButton(CKvUIObjectCatalog* owner, const char* identifier)
    : CKvUIObjectXPButton(nullptr, 0, nullptr) {
    Reset();
    SetOwner(owner);
    GetIdentifier() = IsValidPtr(identifier) ? identifier : "";
}

CKvUIXPButton::~CKvUIXPButton() {
    KvDestroyWithToolTip(*this, m_tooltip);
}

void CKvUIXPButton::Reset() {
    ResetMembers();
    GetFlagRoundEdgeLeft() = 0;
    GetFlagRoundEdgeRight() = 0;
    GetFlagRoundEdgeTop().Set(0);
    GetFlagRoundEdgeBottom().Set(0);
}

void CKvUIXPButton::ResetMembers() {
    m_nLastResult = KV_OK;
    m_bButtonAsStatic = 0;
    m_bHover = FALSE;
    m_bTracking = FALSE;
    m_bPressed = FALSE;
    m_bDrawCaption = TRUE;
    m_nEraseResult = TRUE;
    m_nWindowStyle = kWindowStyle;
    m_nControlId = 0;
    m_bVisible = TRUE;
    m_roundEdge = CSize(0, 0);
    m_nCornerCut = 2;
    m_rectFace.SetRectEmpty();
    m_rectText.SetRectEmpty();
    m_ptText = CPoint(0, 0);
    m_clrText = 0x000000;
    m_clrTextBackground = kTransparentTextBackground;
    m_clrDisabledText = kDisabledTextColor;
    m_fTextMagnify = 1.0f;
    m_nTextFormat = DT_CENTER | DT_VCENTER | DT_SINGLELINE;
    m_nFontWeight = FW_NORMAL;
    m_nFontEscapement = 0;
    m_nFontStyle = 0;
    m_bTooltipActive = 0;
}

KvResult CKvUIXPButton::ApplyDescription() {
    ForgetFaces();
    CKvUIObjectXPButton& part = *this;
    m_nLastResult = KvCopyDescription(part, kUIObjectXPButton);
    if (KvFailed(m_nLastResult))
        return m_nLastResult;
    CKvUIObjectCatalog* catalog = GetOwner();
    KvResolveText(catalog, GetText());
    std::string tooltip = GetTooltipText();
    if (KvResolveText(catalog, tooltip))
        SetTooltipText(tooltip);
    m_strCaption = GetText();
    CRect client;
    KvDescriptionRects(*this, m_rectWindow, client);
    m_rectFace = client;
    SetTextArea(CRect(0, 0, GetTextWidth(), GetTextHeight()), CPoint(GetTextPositionX(), GetTextPositionY()));
    m_fTextMagnify = GetTextMagnify();
    m_clrText = GetTextColor();
    BuildWindowRegion(KvRoundEdge(GetRoundEdgeX()), KvRoundEdge(GetRoundEdgeY()),
                      GetFlagRoundEdgeLeft(), GetFlagRoundEdgeRight(), GetFlagRoundEdgeTop().Get(),
                      GetFlagRoundEdgeBottom().Get());
    m_nControlId = GetUiid();
    m_nFontWeight = static_cast<std::int32_t>(GetFontWeight());
    m_nFontStyle = GetFontStyle();
    m_nFontEscapement = static_cast<std::int32_t>(GetFontEscapement());
    m_nTextFormat = GetTextStyle();
    m_bButtonAsStatic = GetFlagButtonAsStatic();
    return m_nLastResult;
}

KvResult CKvUIXPButton::CreateFromDescription(CWnd* parent, BOOL apply) {
    m_nLastResult = KvCreateFromDescription(parent, apply, [this] { ApplyDescription(); }, [&] {
        return Create(m_strCaption.c_str(), m_nWindowStyle, m_rectWindow, parent, m_nControlId);
    });
    if (KvFailed(m_nLastResult))
        return m_nLastResult;
    // The cursor that BM_GETIMAGE would give is null for an owner-drawn
    // button; the class cursor stays.
    m_bTooltipActive = KvToolTipActive(*this);
    KvMakeToolTip(m_tooltip, *this, GetTooltipText());
    SetTooltipWidth(GetTooltipWidth());
    return m_nLastResult;
}

void CKvUIXPButton::SetVisible(BOOL visible) {
    ShowWindow(visible ? SW_SHOW : SW_HIDE);
    m_bVisible = visible;
}

int CKvUIXPButton::SetTooltipWidth(int width) {
    return KvSetToolTipWidth(m_tooltip, *this, *this, m_bTooltipActive, width);
}

void CKvUIXPButton::RelayToolTipEvent(UINT message, WPARAM wParam, LPARAM lParam) {
    KvRelayToolTipEvent(m_tooltip, m_hWnd, message, wParam, lParam);
}

void CKvUIXPButton::SetTextArea(const CRect& text, CPoint position) {
    ForgetFaces();
    m_ptText = position;
    m_rectText = text;
    const CRect& face = m_rectFace;
    const bool inside = face.PtInRect(position) != FALSE;
    if (text.Width() == 0 || text.Height() == 0) {
        m_rectText = CRect(0, 0, face.Width(), face.Height());
        if (!inside)
            m_ptText = CPoint(0, 0);
        return;
    }
    if (inside) {
        m_rectText = CRect(0, 0, text.Width(), text.Height());
        return;
    }
    m_rectText = face;
    m_ptText = CPoint(0, 0);
}

const CRect& CKvUIXPButton::BuildFaceRegion() {
    if (!m_rectFace.IsRectNull() || !IsWindow())
        return m_rectFace;
    ForgetFaces();
    GetClientRect(&m_rectFace);
    if (m_rectFace.right != 0)
        --m_rectFace.right;
    if (m_rectFace.bottom != 0)
        --m_rectFace.bottom;
    m_rgnWindow.DeleteObject();
    m_rgnWindow.CreateRectRgn(m_rectFace.left, m_rectFace.top, KvSatAdd(m_rectFace.right, 1),
                              KvSatAdd(m_rectFace.bottom, 1));
    m_rectText = m_rectFace;
    m_rectText.DeflateRect(2, 2);
    return m_rectFace;
}

void CKvUIXPButton::BuildWindowRegion(int roundX, int roundY, BOOL left, BOOL right, BOOL top, BOOL bottom) {
    const CRect& f = m_rectFace;
    ForgetFaces();
    m_rgnWindow.DeleteObject();
    // The face may reach the 32-bit limits: the edges one and two past it
    // saturate.
    const int right1 = KvSatAdd(f.right, 1);
    const int bottom1 = KvSatAdd(f.bottom, 1);
    const int right2 = KvSatAdd(f.right, 2);
    const int bottom2 = KvSatAdd(f.bottom, 2);
    CRgn square;
    if (!left && !right) {
        if (!top && !bottom) {
            GetFlagRoundEdgeLeft() = 0;
            GetFlagRoundEdgeRight() = 0;
            m_rgnWindow.CreateRectRgn(f.left, f.top, right1, bottom1);
        } else {
            GetFlagRoundEdgeTop().Set(top);
            GetFlagRoundEdgeBottom().Set(bottom);
            const int ellipse = f.Width();
            m_rgnWindow.CreateRoundRectRgn(f.left, f.top, right2, bottom2, roundY != 0 ? roundX : ellipse,
                                           roundY != 0 ? roundY : ellipse);
            if (!top)
                square.CreateRectRgn(f.left, f.top, right2, KvSatAdd(f.bottom / 2, 2));
            else if (!bottom)
                square.CreateRectRgn(f.left, f.bottom / 2, right2, bottom2);
        }
    } else {
        GetFlagRoundEdgeLeft() = left;
        GetFlagRoundEdgeRight() = right;
        const int ellipse = f.Height();
        m_rgnWindow.CreateRoundRectRgn(f.left, f.top, right2, bottom2, roundX != 0 ? roundX : ellipse,
                                       roundX != 0 ? roundY : ellipse);
        if (!left)
            square.CreateRectRgn(f.left, f.top, KvSatAdd(f.right / 2, 2), bottom2);
        else if (!right)
            square.CreateRectRgn(f.right / 2, f.top, right2, bottom2);
    }
    if (square.GetSafeHandle() != nullptr)
        m_rgnWindow.CombineRgn(&m_rgnWindow, &square, RGN_OR);
    m_roundEdge = CSize(roundX, roundY);
}

void CKvUIXPButton::PreSubclassWindow() {
    ModifyStyle(0, BS_OWNERDRAW);
    CButton::PreSubclassWindow();
    m_bSubclassed = TRUE;
}

LRESULT CKvUIXPButton::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_MOUSEHOVER:
        if (!m_bHover) {
            m_bHover = TRUE;
            InvalidateRect(nullptr, TRUE);
        }
        return 1;
    case WM_MOUSELEAVE:
        m_bHover = FALSE;
        m_bTracking = FALSE;
        InvalidateRect(nullptr, TRUE);
        return 0;
    default:
        return CButton::WindowProc(message, wParam, lParam);
    }
}

void CKvUIXPButton::RelayMouse(UINT flags, CPoint point) {
    if (m_bTooltipActive != 0)
        RelayToolTipEvent(WM_MOUSEMOVE, flags, MAKELPARAM(point.x, point.y));
}

void CKvUIXPButton::OnLButtonDown(UINT flags, CPoint point) {
    RelayMouse(flags, point);
    if (m_bTracking) {
        TRACKMOUSEEVENT track;
        track.dwFlags = TME_CANCEL | TME_LEAVE;
        track.hwndTrack = m_hWnd;
        if (::_TrackMouseEvent(&track))
            m_bTracking = FALSE;
    }
    Default();
    m_bPressed = TRUE;
}

void CKvUIXPButton::OnLButtonUp(UINT flags, CPoint point) {
    RelayMouse(flags, point);
    Default();
    m_bPressed = FALSE;
    // The press cancelled the tracking: without it no leave would end the
    // hover look. Released outside, the leave comes at once.
    if (!m_bTracking)
        StartTracking();
}

void CKvUIXPButton::StartTracking() {
    TRACKMOUSEEVENT track;
    track.dwFlags = TME_HOVER | TME_LEAVE;
    track.hwndTrack = m_hWnd;
    track.dwHoverTime = kHoverTimeMs;
    m_bTracking = ::_TrackMouseEvent(&track);
}

void CKvUIXPButton::OnMouseMove(UINT flags, CPoint point) {
    RelayMouse(flags, point);
    if (::GetCapture() == m_hWnd && m_bPressed) {
        CPoint screen = point;
        ClientToScreen(&screen);
        SendMessage(BM_SETSTATE, ::WindowFromPoint(screen) == m_hWnd ? TRUE : FALSE);
        return;
    }
    if (!m_bTracking)
        StartTracking();
    Default();
}

void CKvUIXPButton::DrawItem(DRAWITEMSTRUCT* item) {
    if (item == nullptr)
        return;
    DrawButton(CDC::FromHandle(item->hDC), CRect(item->rcItem), item->itemState);
    CDC::DeleteTempHandle(item->hDC);
}

void CKvUIXPButton::TakeBackground() {
    const bool cached = IsValidPtr(m_pParentBackground);
    if (!m_bSubclassed || (cached && m_pParentBackground->GetSafeHdc() == nullptr))
        return;  // tried again at the next draw
    CWnd* parent = GetParent();
    if (!IsValidPtr(parent) || parent->m_hWnd == nullptr) {
        m_nLastResult = KV_E_INVALID_POINTER;
        return;
    }
    CRect place;
    GetWindowRect(&place);
    parent->ScreenToClient(&place);
    CDC* parentDC = cached ? nullptr : parent->GetDC();
    CDC* ownDC = GetDC();
    CDC* source = cached ? m_pParentBackground : parentDC;
    if (IsValidPtr(source) && IsValidPtr(ownDC) && source->GetSafeHdc() != nullptr && ownDC->GetSafeHdc() != nullptr) {
        const int w = m_rectFace.Width();
        const int h = m_rectFace.Height();
        CDC memory;
        memory.CreateCompatibleDC(ownDC);
        m_bmpBackground.CreateCompatibleBitmap(ownDC, w, h);
        CBitmap* previous = memory.SelectObject(&m_bmpBackground);
        memory.BitBlt(0, 0, w, h, source, place.left, place.top, SRCCOPY);
        memory.SelectObject(previous);
    } else {
        m_nLastResult = KV_E_INVALID_POINTER;
    }
    if (IsValidPtr(parentDC))
        parent->ReleaseDC(parentDC);
    if (IsValidPtr(ownDC))
        ReleaseDC(ownDC);
    SetVisible(m_bVisible);
}

void CKvUIXPButton::ForgetFaces() {
    for (auto& row : m_faces) {
        for (Face& face : row)
            face.bitmap.DeleteObject();
    }
}

void CKvUIXPButton::DrawButton(CDC* pDC, const CRect&, UINT state) {
    if (!IsValidPtr(pDC))
        return;
    BuildFaceRegion();
    const int w = m_rectFace.Width();
    const int h = m_rectFace.Height();
    CDC memory;
    if (!memory.CreateCompatibleDC(pDC))
        return;
    if (m_bmpBackground.GetSafeHandle() == nullptr)
        TakeBackground();
    const bool background = m_bmpBackground.GetSafeHandle() != nullptr;
    std::string text;
    GetWindowText(text);
    Face& face = m_faces[LookFor(state)][(state & ODS_DISABLED) != 0 ? 1 : 0];
    const bool kept = face.bitmap.GetSafeHandle() != nullptr && face.text == text && face.format == m_nTextFormat &&
                      face.background == background;
    if (!kept) {
        face.bitmap.DeleteObject();
        face.bitmap.CreateCompatibleBitmap(pDC, w, h);
        face.text = text;
        face.format = m_nTextFormat;
        face.background = background;
    }
    CBitmap* previousCanvas = memory.SelectObject(&face.bitmap);
    if (!kept) {
        if (background) {
            CDC source;
            source.CreateCompatibleDC(pDC);
            CBitmap* previous = source.SelectObject(&m_bmpBackground);
            memory.BitBlt(0, 0, w, h, &source, 0, 0, SRCCOPY);
            source.SelectObject(previous);
        }
        DrawFace(memory, state);
        DrawCaption(memory, state);
    }
    // The window takes the copy over: the button keeps no handle to it.
    CRgn copy;
    copy.CreateRectRgn(0, 0, 0, 0);
    copy.CombineRgn(&copy, &m_rgnWindow, RGN_OR);
    pDC->SelectClipRgn(&copy);
    pDC->BitBlt(0, 0, w, h, &memory, 0, 0, SRCCOPY);
    SetWindowRgn(static_cast<HRGN>(copy.Detach()), FALSE);
    memory.SelectObject(previousCanvas);
}

CKvUIXPButton::Look CKvUIXPButton::LookFor(UINT state) const {
    if (m_bButtonAsStatic != 0)
        return kNormalLook;
    if (m_bHover)
        return kHoverLook;
    return (state & ODS_FOCUS) != 0 ? kFocusLook : kNormalLook;
}

void CKvUIXPButton::DrawFace(CDC& dc, UINT state) {
    const CRect& f = m_rectFace;
    CRect rings[4] = {f, f, f, f};  // F, R2, R3, R4
    rings[1].DeflateRect(2, 2);
    rings[2].DeflateRect(3, 3);
    rings[3].DeflateRect(4, 4);
    CRect r1 = f;
    r1.DeflateRect(1, 1);
    const Look look = LookFor(state);
    const bool disabled = (state & ODS_DISABLED) != 0;
    const BOOL left = GetFlagRoundEdgeLeft();
    const BOOL right = GetFlagRoundEdgeRight();
    const BOOL top = GetFlagRoundEdgeTop().Get();
    const BOOL bottom = GetFlagRoundEdgeBottom().Get();

    CBrush fill(disabled ? kDisabledFillColor : kFillColor);
    CPen fillPen(PS_SOLID, 1, disabled ? kDisabledFillColor : kFillPenColor);
    CBrush* previousBrush = dc.SelectObject(&fill);
    CPen* previousPen = dc.SelectObject(&fillPen);
    const CRect& r2 = rings[1];
    const int r2Height = r2.Height();
    dc.RoundRect(r2.left, r2.top, r2.right, r2.bottom, r2Height, r2Height);
    if (!left)
        dc.Rectangle(r2.left, r2.top, r2.left + r2Height, r2.bottom);
    if (!right)
        dc.Rectangle(r2.right - r2Height, r2.top, r2.right, r2.bottom);

    CPen outline(PS_SOLID, 1, disabled ? kDisabledOutlineColor : kOutlineColor);
    const bool vertical = !left && !right && (top || bottom);
    if (!disabled) {
        for (int ring = 0; ring < 4; ++ring) {
            const COLORREF* c = kRingColors[look][ring];
            if (vertical)
                m_painter.DrawFrame3D(&dc, &rings[ring], c[kTop], c[kBottom], c[kLeft], c[kRight], m_nCornerCut, top,
                                      bottom, 0);
            else
                m_painter.DrawFrame3DHorizontal(&dc, &rings[ring], c[kTop], c[kBottom], c[kLeft], c[kRight],
                                                m_nCornerCut, left, right, 0);
        }
    }
    dc.SelectObject(&outline);
    if (vertical)
        m_painter.DrawFrameOutline(&dc, m_nCornerCut, &r1, top, bottom, 0);
    else
        m_painter.DrawFrameOutlineHorizontal(&dc, m_nCornerCut, &r1, left, right, 0);
    dc.SelectObject(previousPen);
    dc.SelectObject(previousBrush);
}

void CKvUIXPButton::DrawCaption(CDC& dc, UINT state) {
    m_nLastResult = KV_OK;
    std::string text;
    GetWindowText(text);
    if (!m_bDrawCaption || text.empty() || m_rectText.IsRectEmpty())
        return;
    CreateFont();
    if (m_font.GetSafeHandle() == nullptr)
        return;
    CFont* previousFont = dc.SelectObject(&m_font);
    const bool single = (m_nTextFormat & DT_SINGLELINE) != 0 && m_nFontEscapement == 0;
    m_strShown = single ? CKvUIStaticGroupBox::FitCaption(dc, text, m_rectText.Width()) : text;
    CRect r(m_ptText, m_rectText.Size());
    UINT format = m_nTextFormat;
    if (m_nFontEscapement > 0) {
        const int cy = dc.GetTextExtent(m_strShown).cy;
        r.bottom = KvSatAdd(r.bottom, static_cast<int>(cy * std::sin(m_nFontEscapement * std::numbers::pi / 1800.0)));
        if (m_nFontEscapement == 900) {
            const int width = r.Width();
            if ((format & DT_CENTER) != 0) {
                if (cy < width) {
                    r.left = (width - cy) / 2;
                    r.right = KvSatAdd(r.left, width);
                    format &= ~DT_CENTER;
                }
            } else if ((format & DT_RIGHT) != 0 && cy < width) {
                r.left = KvSatSub(r.right, cy);
                format &= ~DT_RIGHT;
            }
        }
    }
    dc.SetTextColor((state & ODS_DISABLED) != 0 ? m_clrDisabledText : m_clrText);
    dc.SetBkColor(m_clrTextBackground & 0xFFFFFF);
    dc.SetBkMode(KvIsNoBrush(m_clrTextBackground) ? TRANSPARENT : OPAQUE);
    m_rectShown = r;
    m_nShownFormat = format;
    dc.DrawText(m_strShown, &r, format);
    if (previousFont != nullptr)
        dc.SelectObject(previousFont);
}

KvResult CKvUIXPButton::CreateFont() {
    KvControlFontSpec spec;
    spec.weight = m_nFontWeight;
    spec.magnify = m_fTextMagnify;
    spec.style = m_nFontStyle;
    spec.escapement = m_nFontEscapement;
    return m_nLastResult = KvCreateControlFont(*this, m_font, m_logFont, spec);
}
