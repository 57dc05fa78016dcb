#include "controls/kv_ui_static_group_box.h"

#include "controls/control_description.h"

#include <algorithm>
#include <cstdlib>

namespace {
constexpr DWORD kButtonMultiLineStyle = 0x2000; // BS_MULTILINE
constexpr UINT kCaptionDrawFormat = DT_SINGLELINE | DT_VCENTER | DT_RIGHT;
} // namespace

CKvUIStaticGroupBox::CKvUIStaticGroupBox() : CKvUIObjectStaticGroupBox(nullptr, 0, nullptr) {}

CKvUIStaticGroupBox::~CKvUIStaticGroupBox() {
    DestroyWindow();
}

KvResult CKvUIStaticGroupBox::ApplyDescription() {
    CKvUIObjectStaticGroupBox& part = *this;
    m_nLastResult = KvCopyDescription(part, kUIObjectStaticGroupBox);
    if (KvFailed(m_nLastResult))
        return m_nLastResult;
    KvDescriptionRects(part, m_rectWindow, m_rectFrame);
    m_rectCaptionGap = m_rectFrame;
    KvResolveText(part.GetOwner(), part.GetText());
    SetCaption(part.GetText());
    m_fTextMagnify = part.GetTextMagnify();
    m_clrCaption = part.GetTextColor();
    m_roundEdge = CSize(KvRoundEdge(part.GetRoundEdgeX()), KvRoundEdge(part.GetRoundEdgeY()));
    m_nControlId = part.GetUiid();
    return m_nLastResult;
}

KvResult CKvUIStaticGroupBox::CreateFromDescription(CWnd* parent, BOOL apply) {
    m_nLastResult = KV_OK;
    m_nLastResult = KvCreateFromDescription(
        parent, apply, [this] { ApplyDescription(); },
        [&] {
            return CButton::Create(m_strCaption.c_str(), m_nWindowStyle, m_rectWindow, parent,
                                   m_nControlId);
        });
    if (!KvFailed(m_nLastResult))
        EnableWindow(FALSE);
    return m_nLastResult;
}

void CKvUIStaticGroupBox::SetCaption(const std::string& caption) {
    m_strCaption = caption;
    if (GetSafeHwnd() != nullptr)
        SetWindowText(caption);
}

std::string& CKvUIStaticGroupBox::GetCaption() {
    if (GetSafeHwnd() != nullptr)
        GetWindowText(m_strCaption);
    return m_strCaption;
}

void CKvUIStaticGroupBox::PreSubclassWindow() {
    ::SetWindowLongPtr(m_hWnd, GWL_STYLE,
                       static_cast<LONG_PTR>(GetStyle() | kButtonMultiLineStyle));
    CButton::PreSubclassWindow();
}

KvResult CKvUIStaticGroupBox::CreateFont() {
    if (m_font.GetSafeHandle() != nullptr)
        return m_nLastResult = KV_OK;
    const KvControlFontSpec wanted{m_nFontWeight, m_fTextMagnify, m_nFontStyle, m_nFontEscapement};
    m_nLastResult = KvCreateControlFont(*this, m_font, m_logFont, wanted);
    if (!KvFailed(m_nLastResult))
        m_nFontHeight = m_logFont.lfHeight == INT32_MIN ? INT32_MAX : std::abs(m_logFont.lfHeight);
    return m_nLastResult;
}

void CKvUIStaticGroupBox::OnPaint() {
    CPaintDC dc(this);
    GetWindowRect(&m_rectFrame);
    ScreenToClient(&m_rectFrame);
    DrawCaption(dc);
    CPen pen(PS_SOLID, 1, GetPenColor());
    CPen* previous = dc.SelectObject(&pen);
    DrawFrame(dc);
    dc.SelectObject(previous);
}

std::string CKvUIStaticGroupBox::FitCaption(CDC& dc, const std::string& caption, int available) {
    if (caption.empty() || dc.GetTextExtent(caption).cx <= available)
        return caption;
    // Shortened captions keep fewer than all characters. With the ellipsis
    // measured in front of them, one pass over the text gives the extent of
    // every shortened caption: the longest that fits is shown, else the
    // ellipsis alone.
    const std::string ellipsis = kEllipsis;
    const std::string measured = ellipsis + caption.substr(0, caption.size() - 1);
    int fit = 0;
    ::GetTextExtentExPoint(dc.GetSafeHdc(), measured.data(), static_cast<int>(measured.size()),
                           available, &fit, nullptr, nullptr);
    const std::size_t kept =
        static_cast<std::size_t>(std::max(fit - static_cast<int>(ellipsis.size()), 0));
    return caption.substr(0, kept) + ellipsis;
}

void CKvUIStaticGroupBox::DrawCaption(CDC& dc) {
    m_rectCaptionGap.SetRectEmpty();
    m_nLastResult = KV_OK;
    std::string text;
    GetWindowText(text);
    if (!m_bDrawCaption || text.empty())
        return;
    CreateFont();
    if (m_font.GetSafeHandle() == nullptr)
        return;
    CFont* previousFont = dc.SelectObject(&m_font);
    const int h = m_nFontHeight;
    const CRect& frame = m_rectFrame;
    const int available = frame.Width() - m_roundEdge.cx - 2;
    m_rectCaptionGap.SetRect(0, 0, available, h);
    const std::string shown =
        (m_nCaptionFormat & DT_SINGLELINE) != 0 ? FitCaption(dc, text, available) : text;
    const int cx = dc.GetTextExtent(shown).cx;
    CRect r(0, 0, cx, h);
    if ((m_nCaptionFormat & DT_BOTTOM) != 0) {
        r.top = frame.bottom - h;
        r.bottom = frame.bottom;
    }
    if ((m_nCaptionFormat & DT_RIGHT) != 0)
        r.left = frame.right - m_roundEdge.cx - 1 - cx;
    else if ((m_nCaptionFormat & DT_CENTER) != 0)
        r.left = (frame.Width() - cx) / 2;
    else
        r.left = m_roundEdge.cx + 2;
    r.right = r.left + cx;
    dc.SetTextColor(m_clrCaption);
    dc.SetBkColor(m_clrTextBackground & 0xFFFFFFu);
    if (KvIsNoBrush(m_clrTextBackground))
        dc.SetBkMode(TRANSPARENT);
    m_rectCaptionGap = r;
    m_rectCaptionGap.left -= 2;
    dc.DrawText(shown, &r, kCaptionDrawFormat);
    dc.SelectObject(previousFont);
}

void CKvUIStaticGroupBox::DrawFrame(CDC& dc) {
    CRect frame = m_rectFrame;
    const CRect& gap = m_rectCaptionGap;
    frame.top += (gap.bottom - gap.top) / 2;
    const int rx = m_roundEdge.cx;
    const int ry = m_roundEdge.cy;
    const int left = frame.left;
    const int top = frame.top;
    const int right = frame.right - 1;
    const int bottom = frame.bottom - 1;
    const int hx = rx / 2;
    const int hy = ry / 2;
    const bool hasGap = !gap.IsRectEmpty();
    HDC hdc = dc.GetSafeHdc();

    if (hasGap && gap.top <= top && top <= gap.bottom) {
        if (gap.right < frame.right - hx) {
            dc.MoveTo(right - hx, top);
            dc.LineTo(gap.right + 1, top);
        }
        if (frame.left + hx < gap.left) {
            dc.MoveTo(gap.left - 1, top);
            dc.LineTo(frame.left + hx, top);
        } else {
            dc.MoveTo(frame.left + hx, top);
        }
    } else {
        dc.MoveTo(right - hx, top);
    }
    ::ArcTo(hdc, left, top, left + rx, top + ry, left + hx, top, left, top + hy);
    ::ArcTo(hdc, left, bottom - ry, left + rx, bottom, left, bottom - hy, left + hx, bottom);
    if (hasGap && gap.top <= bottom && bottom <= gap.bottom) {
        if (frame.left + hx < gap.left)
            dc.LineTo(gap.left - 1, bottom);
        if (gap.right < frame.right - hx) {
            dc.MoveTo(gap.right + 1, bottom);
            dc.LineTo(frame.right - hx, bottom);
        } else {
            dc.MoveTo(frame.right - hx, bottom);
        }
    }
    ::ArcTo(hdc, right - 2 * hx, bottom - ry, right, bottom, right - hx, bottom, right,
            bottom - hy);
    ::ArcTo(hdc, right - 2 * hx, top, right, top + 2 * hy, right, top + hy, right - hx, top);
}
