#include "controls/kv_ui_property_page.h"

#include "controls/router_endpoint.h"

#include <algorithm>
#include <cstring>

CKvUIPropertyPage::CKvUIPropertyPage(UINT nIDTemplate, UINT nIDCaption, UINT nPspSize)
    : CPropertyPage(nIDTemplate, nIDCaption, nPspSize), CKvUIObjectDialog(nullptr, 0, nullptr) {
    Reset();
}

CKvUIPropertyPage::~CKvUIPropertyPage() {
    // The window and the children go first, while what they paint from lives.
    DestroyWindow();
    m_childControls.DestroyAll();
}

void CKvUIPropertyPage::Reset() {
    m_clrBackground = 0xFFFFFF;
    m_clrGradientStart = 0xFFFFFF;
    m_nStyle = 0;
    m_nCornerWidth = 0;
    m_nCornerHeight = 0;
    m_pRouter = nullptr;
    m_nEndpointId = 0;
    m_bRouterRegistration = FALSE;
    m_psp.dwFlags &= ~PSP_HASHELP;
}

// ---- Description ----

KvResult CKvUIPropertyPage::LoadDescription() {
    m_nLastResult = KV_OK;
    CKvUIObjectDialog& part = *this;
    CKvUIObjectCatalog* catalog = part.GetOwner();
    if (!IsValidPtr(catalog))
        return m_nLastResult = KV_E_INVALID_POINTER;
    CKvUIObject* found = nullptr;
    if (KvFailed(KvFindDescription(part, kUIObjectDialog, found)))
        return m_nLastResult = KV_E_FAIL;
    CopyDescription(static_cast<const CKvUIObjectDialog&>(*found));
    KvResolveText(catalog, part.GetText());
    m_nStyle = part.GetStyle();
    m_clrBackground = part.GetBackgroundColor();
    m_clrGradientStart = part.GetBackgroundColorRangeStart();
    if (m_backgroundBitmap.GetSafeHandle() != nullptr && part.GetFlagSizeFollowBackgroundImage() != 0) {
        part.GetWidth() = m_backgroundBitmap.GetWidth();
        part.GetHeight() = m_backgroundBitmap.GetHeight();
    }
    part.SetChildIdentifierListText(part.GetChildIdentifierList());
    m_nCornerWidth = KvRoundEdge(part.GetRoundEdgeX());
    m_nCornerHeight = KvRoundEdge(part.GetRoundEdgeY());
    LoadBackgroundImage();
    LoadBorderImage();
    // Images that do not load leave the page its colour: no failure.
    return m_nLastResult = KV_OK;
}

void CKvUIPropertyPage::CopyDescription(const CKvUIObjectDialog& source) {
    // The catalog's descriptions are not changed; the getters are not const.
    auto& from = const_cast<CKvUIObjectDialog&>(source);
    CKvUIObjectDialog& to = *this;
    to.GetBackgroundColor() = from.GetBackgroundColor();
    to.GetTextColor() = from.GetTextColor();
    to.GetTransparentColor() = from.GetTransparentColor();
    to.SetBackgroundImageText(from.GetBackgroundImageFile());
    to.GetFlagSizeFollowBackgroundImage() = from.GetFlagSizeFollowBackgroundImage();
    to.GetFlagBackgroundImageHasTransparent() = from.GetFlagBackgroundImageHasTransparent();
    to.GetFlagBackgroundImageIsPacked() = from.GetFlagBackgroundImageIsPacked();
    to.GetFlagBackgroundWallpaper() = from.GetFlagBackgroundWallpaper();
    to.GetHeight() = from.GetHeight();
    to.GetWidth() = from.GetWidth();
    to.GetPositionX() = from.GetPositionX();
    to.GetPositionY() = from.GetPositionY();
    to.GetRoundEdgeX() = from.GetRoundEdgeX();
    to.GetRoundEdgeY() = from.GetRoundEdgeY();
    to.GetChildIdentifierList() = from.GetChildIdentifierList();
    to.GetBackgroundColorRangeStart() = from.GetBackgroundColorRangeStart();
    to.SetStyle(from.GetStyle());
    to.SetBorderImageText(from.GetBorderImageFile());
    to.GetText() = from.GetText();
}

KvResult CKvUIPropertyPage::LoadImage(CKvBitmap& bitmap, const std::string& file, std::uint32_t resourceId) {
    // The screen's DC while the page has no window yet.
    CClientDC dc(m_hWnd != nullptr ? this : nullptr);
    CKvUIObjectDialog& part = *this;
    const KvImageSource source{file, resourceId, part.GetFlagBackgroundImageIsPacked() != 0};
    return KvLoadDescriptionImage(bitmap, source, part.GetOwner(), KvImageFolder(), &dc);
}

KvResult CKvUIPropertyPage::LoadBackgroundImage() {
    CKvUIObjectDialog& part = *this;
    return m_nLastResult = LoadImage(m_backgroundBitmap, part.GetBackgroundImageFile(), part.GetBackgroundImageId());
}

KvResult CKvUIPropertyPage::LoadBorderImage() {
    CKvUIObjectDialog& part = *this;
    // Only a resource: a border named by a file is not loaded.
    if (part.GetBorderImageFile().empty() || part.GetBorderImageId() == 0)
        return m_nLastResult = KV_OK;
    return m_nLastResult = LoadImage(m_borderBitmap, part.GetBorderImageFile(), part.GetBorderImageId());
}

void CKvUIPropertyPage::SetCaption(const std::string& text) {
    const std::size_t length = std::min(text.size(), kCaptionLimit);
    CKvUIObjectDialog& part = *this;
    part.GetText() = text.substr(0, length);
    std::memcpy(m_caption, text.data(), length);
    m_caption[length] = '\0';
    m_caption[length + 1] = '\0';
}

// ---- Window ----

BOOL CKvUIPropertyPage::OnInitDialog() {
    ModifyStyle(WS_CAPTION, 0);
    CPropertyPage::OnInitDialog();
    CreateChildControls();
    return TRUE;
}

KvResult CKvUIPropertyPage::CreateChildControls() {
    m_nLastResult = KV_OK;
    CKvUIObjectDialog& part = *this;
    if (!IsValidPtr(part.GetOwner()) || part.GetChildIdentifierCount() == 0)
        return m_nLastResult;
    std::string identifiers;
    part.GetChildIdentifierListText(identifiers);
    return m_nLastResult = m_childControls.Create(part.GetOwner(), identifiers, this, &m_cache.GetDC());
}

KvResult CKvUIPropertyPage::DestroyChildControls() { return m_nLastResult = m_childControls.DestroyAll(); }

void CKvUIPropertyPage::PostNcDestroy() {
    DestroyChildControls();
    CPropertyPage::PostNcDestroy();
}

// ---- Messages of the router ----

bool CKvUIPropertyPage::IsRouterMessage(const MSG& message) const {
    return KvIsEndpointMessage(message, m_bRouterRegistration != FALSE, m_nEndpointId);
}

BOOL CKvUIPropertyPage::PreTranslateMessage(MSG* pMsg) {
    if (pMsg != nullptr && IsRouterMessage(*pMsg)) {
        OnMessageReceived(pMsg->wParam, pMsg->lParam);
        return TRUE;
    }
    return CPropertyPage::PreTranslateMessage(pMsg);
}

void CKvUIPropertyPage::OnMessageReceived(WPARAM, LPARAM lParam) { KvReleasePostedMessage(lParam); }

void CKvUIPropertyPage::OnDroppedMessage(const MSG& message) {
    if (!IsRouterMessage(message))
        return;
    KvReleasePostedMessage(message.lParam);
}

// ---- Painting ----

BOOL CKvUIPropertyPage::OnEraseBkgnd(CDC* pDC) {
    CRect client;
    GetClientRect(&client);
    UpdateWindowRegion(client);
    ComposeBackground(pDC, client);
    if (IsValidPtr(pDC)) {
        if (m_windowRegion.GetSafeHandle() != nullptr)
            pDC->SelectClipRgn(&m_windowRegion);
        if (m_cache.Exists())
            pDC->BitBlt(0, 0, m_cache.GetWidth(), m_cache.GetHeight(), &m_cache.GetDC(), 0, 0, SRCCOPY);
    }
    return TRUE;
}

void CKvUIPropertyPage::OnDrawItem(int id, DRAWITEMSTRUCT* item) {
    // Owner-drawn children paint from the composed background: make it first.
    if (!m_cache.Exists()) {
        CClientDC dc(this);
        CRect client;
        GetClientRect(&client);
        ComposeBackground(&dc, client);
    }
    CPropertyPage::OnDrawItem(id, item);
}

KvResult CKvUIPropertyPage::UpdateWindowRegion(const CRect& client) {
    if (m_windowRegion.GetSafeHandle() != nullptr)
        return KV_OK;
    CKvUIObjectDialog& part = *this;
    KvRegionShape shape;
    shape.rect = client;
    shape.cornerWidth = m_nCornerWidth;
    shape.cornerHeight = m_nCornerHeight;
    shape.useImage = part.GetFlagBackgroundImageHasTransparent() != 0;
    shape.transparent = part.GetTransparentColor();
    shape.joinRounded = true;
    const KvResult result = KvMakeWindowRegion(m_windowRegion, m_backgroundBitmap, shape);
    if (m_windowRegion.GetSafeHandle() != nullptr) {
        // The window owns what it is given: it gets a copy, and the page
        // keeps its own region to clip its erases with.
        CRgn copy;
        if (copy.CreateRectRgn(0, 0, 0, 0) && copy.CopyRgn(&m_windowRegion) != ERROR)
            SetWindowRgn(static_cast<HRGN>(copy.Detach()), TRUE);
    }
    return result;
}

KvResult CKvUIPropertyPage::ComposeBackground(CDC* pDC, const CRect& client) {
    if (!IsValidPtr(pDC) || m_cache.Exists())
        return m_nLastResult;
    if (!m_cache.Create(pDC, client.Width(), client.Height()))
        return m_nLastResult;
    CDC& cache = m_cache.GetDC();
    CKvUIObjectDialog& part = *this;
    KvFillSurface(cache, client, KvSurfaceLook{m_clrBackground, m_clrGradientStart, m_nStyle});
    // Only the image's own rectangle is blended, as the dialog and the static
    // do; the rest of the work area was never drawn.
    KvBlendImage(cache, client, m_backgroundBitmap, part.GetFlagBackgroundWallpaper() != 0, m_clrBackground,
                 KvBlendArea::kImage);
    DrawBorder(client);
    return m_nLastResult;
}

KvResult CKvUIPropertyPage::DrawBorder(const CRect& client) {
    if (!m_cache.Exists() || m_borderBitmap.GetSafeHandle() == nullptr)
        return m_nLastResult;
    return m_nLastResult = KvDrawBorder(m_cache.GetDC(), m_borderBitmap, client, m_nCornerWidth, m_nCornerHeight);
}
