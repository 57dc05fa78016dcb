#include "controls/kv_ui_static.h"

#include "controls/control_description.h"

namespace {
constexpr DWORD kStaticEditControlStyle = 0x2000; // SS_EDITCONTROL
} // namespace

CKvUIStatic::CKvUIStatic() : CKvUIObjectStatic(nullptr, 0, nullptr) {}

CKvUIStatic::~CKvUIStatic() {
    // The window goes first, while the members its messages use still live.
    DestroyWindow();
}

KvResult CKvUIStatic::ApplyDescription() {
    CKvUIObjectStatic& part = *this;
    m_nLastResult = KvCopyDescription(part, kUIObjectStatic);
    if (KvFailed(m_nLastResult))
        return m_nLastResult;
    CKvUIObjectCatalog* catalog = part.GetOwner();
    std::string image = part.GetBackgroundImageFile();
    if (KvResolveText(catalog, image))
        part.SetBackgroundImageText(image);
    KvDescriptionRects(part, m_rectWindow, m_rectClient);
    m_rectText = m_rectClient;
    KvResolveText(catalog, part.GetText());
    SetText(part.GetText());
    m_fTextMagnify = part.GetTextMagnify();
    m_nTextFormat = part.GetTextStyle();
    m_nFontWeight = static_cast<std::int32_t>(part.GetFontWeight());
    m_nFontStyle = part.GetFontStyle();
    m_nFontEscapement = static_cast<std::int32_t>(part.GetFontEscapement());
    m_roundEdge = CSize(KvRoundEdge(part.GetRoundEdgeX()), KvRoundEdge(part.GetRoundEdgeY()));
    m_nControlId = part.GetUiid();
    m_clrText = part.GetTextColor();
    m_clrBackground = part.GetBackgroundColor();
    m_clrGradientStart = part.GetBackgroundColorRangeStart();
    m_nStyle = part.GetStyle();
    return m_nLastResult;
}

KvResult CKvUIStatic::CreateFromDescription(CWnd* parent, BOOL apply) {
    m_nLastResult = KV_OK;
    std::string copied;
    m_nLastResult = KvCreateFromDescription(
        parent, apply, [this] { ApplyDescription(); },
        [&] {
            copied = m_strText;
            return CStatic::Create(copied.c_str(), m_nWindowStyle, m_rectWindow, parent,
                                   m_nControlId);
        });
    if (KvFailed(m_nLastResult))
        return m_nLastResult;
    std::string windowText;
    GetWindowText(windowText);
    SetText(copied.empty() || !windowText.empty() ? windowText : copied);
    EnableWindow(FALSE);
    return m_nLastResult;
}

void CKvUIStatic::SetText(const std::string& text) {
    m_strText = text;
    if (GetSafeHwnd() != nullptr)
        Invalidate(TRUE);
}

void CKvUIStatic::SetCaption(const char* text) {
    SetText(text != nullptr ? std::string(text) : std::string());
    if (GetSafeHwnd() != nullptr)
        Invalidate(TRUE);
}

void CKvUIStatic::PreSubclassWindow() {
    CStatic::PreSubclassWindow();
    ::SetWindowLongPtr(m_hWnd, GWL_STYLE,
                       static_cast<LONG_PTR>(CStatic::GetStyle() | kStaticEditControlStyle));
    GetWindowText(m_strText);
    m_bSubclassed = TRUE;
}

void CKvUIStatic::OnPaint() {
    CPaintDC dc(this);
    Paint(&dc);
    DrawText(&dc);
}

HBRUSH CKvUIStatic::CtlColor(CDC* pDC, UINT) {
    if (pDC != nullptr)
        pDC->SetBkMode(TRANSPARENT);
    return static_cast<HBRUSH>(::GetStockObject(NULL_BRUSH));
}

int CKvUIStatic::Paint(CDC* pDC) {
    if (!IsValidPtr(pDC))
        return 1;
    CBrush brush(m_clrBackground);
    LoadBackgroundImage(pDC);
    ComposeBackground(pDC);
    if (m_composition.Exists()) {
        pDC->BitBlt(0, 0, m_rectClient.Width(), m_rectClient.Height(), &m_composition.GetDC(), 0, 0,
                    SRCCOPY);
    } else {
        pDC->SetBkMode(OPAQUE);
        pDC->FillRect(&m_rectClient, &brush);
    }
    return 1;
}

void CKvUIStatic::LoadBackgroundImage(CDC* pDC) {
    CKvUIObjectStatic& part = *this;
    if (m_backgroundImage.GetSafeHandle() != nullptr || part.GetBackgroundImageFile().empty() ||
        !IsValidPtr(pDC))
        return;
    const KvImageSource source{part.GetBackgroundImageFile(), part.GetBackgroundImageId(),
                               part.GetFlagBackgroundImageIsPacked() != 0};
    m_nLastResult = KvLoadDescriptionImage(m_backgroundImage, source, part.GetOwner(),
                                           KvThemeImageFolder(), pDC);
    if (m_backgroundImage.GetSafeHandle() != nullptr &&
        part.GetFlagSizeFollowBackgroundImage() != 0) {
        part.GetWidth() = m_backgroundImage.GetWidth();
        part.GetHeight() = m_backgroundImage.GetHeight();
    }
}

bool CKvUIStatic::ParentBackgroundPending() const {
    return (m_nStyle & MDS_USE_PARENT_BACKGROUND) != 0 && IsValidPtr(m_pParentBackground) &&
           m_pParentBackground->GetSafeHdc() == nullptr;
}

void CKvUIStatic::ComposeBackground(CDC* pDC) {
    if (m_composition.Exists() || !IsValidPtr(pDC))
        return;
    // Composed only once: copying a parent background that is not made yet
    // would keep an undefined picture for good, so wait for a later paint.
    if (ParentBackgroundPending())
        return;
    CKvUIObjectStatic& part = *this;
    KvDescriptionRects(part, m_rectWindow, m_rectClient);
    m_rectText = m_rectClient;
    CRect area;
    GetClientRect(&area);
    if (!m_composition.Create(pDC, area.Width(), area.Height()))
        return;
    CDC& dc = m_composition.GetDC();
    if ((m_nStyle & MDS_USE_PARENT_BACKGROUND) != 0 && IsValidPtr(m_pParentBackground))
        dc.BitBlt(0, 0, area.Width(), area.Height(), m_pParentBackground, m_rectWindow.left,
                  m_rectWindow.top, SRCCOPY);
    else
        KvFillSurface(dc, area, KvSurfaceLook{m_clrBackground, m_clrGradientStart, m_nStyle});
    KvBlendImage(dc, area, m_backgroundImage, part.GetFlagBackgroundWallpaper() != 0,
                 m_clrBackground, KvBlendArea::kImage);
}

KvResult CKvUIStatic::CreateFont() {
    const KvControlFontSpec wanted{m_nFontWeight, m_fTextMagnify, m_nFontStyle, m_nFontEscapement};
    return m_nLastResult = KvCreateControlFont(*this, m_font, m_logFont, wanted);
}

KvResult CKvUIStatic::DrawText(CDC* pDC) {
    if (!m_bDrawText || m_strText.empty() || !IsValidPtr(pDC))
        return m_nLastResult;
    // Without a font no text is drawn.
    if (KvFailed(CreateFont()) || m_font.GetSafeHandle() == nullptr)
        return m_nLastResult;
    CFont* previous = pDC->SelectObject(&m_font);
    GetWindowRect(&m_rectText);
    ScreenToClient(&m_rectText);
    pDC->SetTextColor(m_clrText);
    pDC->SetBkColor(m_clrTextBackground & 0xFFFFFFu);
    pDC->SetBkMode(KvIsNoBrush(m_clrTextBackground) ? TRANSPARENT : OPAQUE);
    pDC->DrawText(m_strText, &m_rectText, m_nTextFormat);
    if (previous != nullptr)
        pDC->SelectObject(previous);
    return m_nLastResult;
}
