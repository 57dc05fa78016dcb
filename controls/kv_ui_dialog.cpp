#include "controls/kv_ui_dialog.h"

#include "framework/message.h"
#include "platform/geometry.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr double kPixelsPerUnitX = 1.5;
constexpr double kPixelsPerUnitY = 1.63;

// Pixels to whole dialog units, as a 16-bit template field holds them.
short ToDialogUnits(std::int32_t pixels, double pixelsPerUnit) {
    const double units = std::trunc(static_cast<double>(pixels) / pixelsPerUnit + 0.5);
    return static_cast<short>(std::clamp(units, 0.0, 32767.0));
}

} // namespace

CKvUIDialog::CKvUIDialog(UINT nIDTemplate, CWnd* pParent)
    : CDialog(nIDTemplate, pParent), CKvUIObjectDialog(nullptr, 0, nullptr) {}

CKvUIDialog::~CKvUIDialog() {
    // The window and the children go first, while what they paint from lives.
    DestroyWindow();
    m_childControls.DestroyAll();
}

// ---- Creation ----

KvResult CKvUIDialog::PrepareTemplate() {
    m_nLastResult = KV_OK;
    if (m_bPrepared)
        return m_nLastResult;
    CKvUIObjectDialog& part = *this;
    CKvUIObject* found = nullptr;
    m_nLastResult = KvFindDescription(part, kUIObjectDialog, found);
    if (m_nLastResult != KV_OK && m_nLastResult != KV_E_INVALID_POINTER)
        m_nLastResult = KV_E_FAIL;
    if (KvFailed(m_nLastResult))
        return m_nLastResult;
    CopyDescription(static_cast<const CKvUIObjectDialog*>(found));
    KvResolveText(part.GetOwner(), part.GetText());
    m_nStyle = part.GetStyle();
    m_nTemplateWidth = part.GetWidth();
    m_nTemplateHeight = part.GetHeight();
    m_clrBackground = part.GetBackgroundColor();
    m_clrGradientStart = part.GetBackgroundColorRangeStart();
    part.SetChildIdentifierListText(part.GetChildIdentifierList());
    m_nCornerWidth = KvRoundEdge(part.GetRoundEdgeX());
    m_nCornerHeight = KvRoundEdge(part.GetRoundEdgeY());
    m_bPrepared = TRUE;
    if ((m_nStyle & MDS_DOCKABLE) != 0)
        m_bDockable = TRUE;
    return m_nLastResult;
}

void CKvUIDialog::CopyDescription(const CKvUIObjectDialog* source) {
    if (!IsValidPtr(source))
        return;
    KvCopyDialogLook(*this, *source);
    // The catalog's descriptions are not changed; the getters are not const.
    auto& from = const_cast<CKvUIObjectDialog&>(*source);
    CKvUIObjectDialog& to = *this;
    to.SetWindowStyle(from.GetWindowStyle());
    to.SetDialogStyle(from.GetDialogStyle());
    to.SetWindowStyleEx(from.GetWindowStyleEx());
    to.GetDiverseFlags() = from.GetDiverseFlags();
}

void CKvUIDialog::BuildTemplate(bool modal) {
    const int frame = ::GetSystemMetrics(SM_CXBORDER) + ::GetSystemMetrics(SM_CXDLGFRAME);
    const int caption = modal ? kModalCaptionHeight : ::GetSystemMetrics(SM_CYCAPTION);
    m_nTemplateHeight = std::max(KvWrapAdd(m_nTemplateHeight, caption + frame), 0);
    m_nTemplateWidth = std::max(KvWrapAdd(m_nTemplateWidth, frame), 0);
    // DS_SETFONT would announce a font block the template does not have;
    // OnInitDialog still gives the window the full style.
    const DWORD style = (GetWindowStyle() | GetDialogStyle()) & ~DS_SETFONT;
    m_dialogTemplate = BuildDialogTemplate(
        style, GetWindowStyleEx(), 0, 0, ToDialogUnits(m_nTemplateWidth, kPixelsPerUnitX),
        ToDialogUnits(m_nTemplateHeight, kPixelsPerUnitY), std::string());
}

KvResult CKvUIDialog::CreateModelessFromDescription() {
    PrepareTemplate();
    BuildTemplate(false);
    return CreateIndirectTemplate();
}

std::intptr_t CKvUIDialog::DoModalFromDescription() {
    PrepareTemplate();
    BuildTemplate(true);
    if (KvFailed(InitModalTemplate()))
        return -1;
    return DoModal();
}

KvResult CKvUIDialog::CreateFromResource(UINT nID, CWnd* pParent) {
    m_nLastResult = KV_OK;
    const KvResult prepared = PrepareTemplate();
    if (!Create(nID & 0xFFFFu, pParent))
        return m_nLastResult = KV_E_FAIL;
    return m_nLastResult = prepared;
}

KvResult CKvUIDialog::InitModalTemplate() {
    m_nLastResult = KV_OK;
    if (!InitModalIndirect(m_dialogTemplate.data(), m_dialogTemplate.size(), m_pParentWnd))
        m_nLastResult = KV_E_FAIL;
    return m_nLastResult;
}

KvResult CKvUIDialog::CreateIndirectTemplate() {
    m_nLastResult = KV_OK;
    if (!CreateIndirect(m_dialogTemplate.data(), m_dialogTemplate.size(), m_pParentWnd))
        m_nLastResult = KV_E_FAIL;
    return m_nLastResult;
}

BOOL CKvUIDialog::OnInitDialog() {
    CKvUIObjectDialog& part = *this;
    const DWORD style = GetWindowStyle() | GetDialogStyle();
    // A hidden window that merely gets the visible bit is never painted and
    // never told it is shown; only the resize below used to make up for the
    // paint, and a framed window is not resized. It is shown at the end.
    const bool show = (style & WS_VISIBLE) != 0 && (CWnd::GetStyle() & WS_VISIBLE) == 0;
    ModifyStyle(CWnd::GetStyle(), show ? style & ~WS_VISIBLE : style);
    CDialog::OnInitDialog();
    const int heightCorrection = kModalCaptionHeight - ::GetSystemMetrics(SM_CYSIZE);
    CRect window, client;
    GetWindowRect(&window);
    GetClientRect(&client);
    LoadBackgroundImage();
    LoadBorderImage();
    if (part.GetFlagSizeFollowBackgroundImage() == 0) {
        const bool framed = (GetDialogStyle() & DS_MODALFRAME) != 0 ||
                            (GetWindowStyle() & WS_CAPTION) == WS_CAPTION ||
                            (GetWindowStyle() & WS_BORDER) != 0 ||
                            (GetWindowStyle() & WS_DLGFRAME) != 0;
        if (!framed && (client.Width() != part.GetWidth() || client.Height() != part.GetHeight())) {
            part.GetWidth() = KvWrapSub(window.Width(), KvWrapSub(client.Width(), part.GetWidth()));
            part.GetHeight() = KvWrapAdd(
                KvWrapSub(window.Height(), KvWrapSub(client.Height(), part.GetHeight())), heightCorrection);
            SetWindowPos(nullptr, 0, 0, part.GetWidth(), part.GetHeight(),
                         SWP_NOZORDER | SWP_NOMOVE);
        }
    } else {
        if (m_backgroundBitmap.GetSafeHandle() != nullptr) {
            part.GetWidth() = m_backgroundBitmap.GetWidth();
            part.GetHeight() = m_backgroundBitmap.GetHeight();
        }
        UINT flags = SWP_NOZORDER;
        if ((GetDialogStyle() & DS_CENTER) != 0)
            flags |= SWP_NOMOVE;
        SetWindowPos(nullptr, part.GetPositionX(), part.GetPositionY(), part.GetWidth(),
                     part.GetHeight(), flags);
    }
    SetWindowText(part.GetText());
    SendMessage(WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_hIcon));
    SendMessage(WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_hIcon));
    m_bPrepared = FALSE;
    CreateChildControls();
    m_bInitialised = TRUE;
    if (show)
        ShowWindow(SW_SHOW);
    return TRUE;
}

KvResult CKvUIDialog::LoadImage(CKvBitmap& bitmap, const std::string& file,
                                std::uint32_t resourceId) {
    m_nLastResult = KV_OK;
    if (file.empty())
        return m_nLastResult;
    CKvUIObjectDialog& part = *this;
    // Given back when done.
    CClientDC dc(this);
    const KvImageSource source{file, resourceId, part.GetFlagBackgroundImageIsPacked() != 0};
    return m_nLastResult =
               KvLoadDescriptionImage(bitmap, source, part.GetOwner(), KvThemeImageFolder(), &dc);
}

KvResult CKvUIDialog::LoadBackgroundImage() {
    return LoadImage(m_backgroundBitmap, GetBackgroundImageFile(), GetBackgroundImageId());
}

KvResult CKvUIDialog::LoadBorderImage() {
    return LoadImage(m_borderBitmap, GetBorderImageFile(), GetBorderImageId());
}

KvResult CKvUIDialog::CreateChildControls() {
    m_nLastResult = KV_OK;
    CKvUIObjectDialog& part = *this;
    std::string identifiers;
    part.GetChildIdentifierListText(identifiers);
    return m_nLastResult =
               m_childControls.Create(part.GetOwner(), identifiers, this, &m_cache.GetDC());
}

KvResult CKvUIDialog::DestroyChildControls() {
    return m_nLastResult = m_childControls.DestroyAll();
}

void CKvUIDialog::PostNcDestroy() {
    DestroyChildControls();
    // What belonged to the window goes with it: a later creation of this
    // object makes its region (which the new window must be given) and cache
    // afresh, and docking waits for its OnInitDialog.
    m_windowRegion.DeleteObject();
    m_cache.Release();
    m_rectRemembered.SetRectEmpty();
    m_bSizeChanged = m_bDragging = m_bTrackingLeave = m_bShown = m_bInitialised = FALSE;
    m_bSlidIn = TRUE;
    CWnd::PostNcDestroy();
}

// ---- Messages of the router ----

bool CKvUIDialog::IsRouterMessage(const MSG& message) const {
    return m_bRouterRegistration != FALSE && m_nEndpointId != 0 && message.message == m_nEndpointId;
}

BOOL CKvUIDialog::PreTranslateMessage(MSG* pMsg) {
    if (pMsg != nullptr && IsRouterMessage(*pMsg)) {
        OnMessageReceived(pMsg->wParam, pMsg->lParam);
        return TRUE;
    }
    return CDialog::PreTranslateMessage(pMsg);
}

void CKvUIDialog::OnMessageReceived(WPARAM, LPARAM lParam) {
    auto* message = reinterpret_cast<CKvMessage*>(lParam);
    if (IsValidPtr(message))
        message->Release();
}

void CKvUIDialog::OnDroppedMessage(const MSG& message) {
    if (!IsRouterMessage(message))
        return;
    auto* posted = reinterpret_cast<CKvMessage*>(message.lParam);
    if (IsValidPtr(posted))
        posted->Release();
}

// ---- Painting ----

BOOL CKvUIDialog::OnEraseBkgnd(CDC* pDC) {
    GetWindowRect(&m_rectWindow);
    m_rectWindow = CRect(CPoint(0, 0), m_rectWindow.Size());
    GetClientRect(&m_rectClient);
    // Where the client area starts inside a border or caption: the region is
    // in window coordinates, the cache and pDC in client coordinates.
    CRect screen;
    GetWindowRect(&screen);
    CPoint origin(0, 0);
    ClientToScreen(&origin);
    m_clientOffset = CPoint(0, 0) + (origin - screen.TopLeft());
    // A frame that comes or goes changes the client area (the cache's size)
    // and its place, not the window's size: that counts as a size change too.
    if (m_rectRemembered.IsRectNull()) {
        m_rectRemembered = m_rectWindow;
        m_rectClientRemembered = m_rectClient;
        m_offsetRemembered = m_clientOffset;
    } else if (m_rectRemembered.left != m_rectWindow.left ||
               m_rectRemembered.top != m_rectWindow.top ||
               m_rectRemembered.right != m_rectWindow.right ||
               m_rectRemembered.bottom != m_rectWindow.bottom ||
               m_rectClientRemembered.right != m_rectClient.right ||
               m_rectClientRemembered.bottom != m_rectClient.bottom ||
               m_offsetRemembered.x != m_clientOffset.x || m_offsetRemembered.y != m_clientOffset.y) {
        m_rectRemembered = m_rectWindow;
        m_rectClientRemembered = m_rectClient;
        m_offsetRemembered = m_clientOffset;
        m_bSizeChanged = TRUE;
    }
    UpdateWindowRegion(m_rectWindow);
    ComposeBackground(pDC);
    if (IsValidPtr(pDC)) {
        if (m_windowRegion.GetSafeHandle() != nullptr) {
            if (m_clientOffset.x == 0 && m_clientOffset.y == 0) {
                pDC->SelectClipRgn(&m_windowRegion);
            } else {
                CRgn clip;
                if (clip.CreateRectRgn(0, 0, 0, 0) && clip.CopyRgn(&m_windowRegion) != ERROR) {
                    clip.OffsetRgn(-m_clientOffset.x, -m_clientOffset.y);
                    pDC->SelectClipRgn(&clip);
                }
            }
        }
        if (m_cache.Exists())
            pDC->BitBlt(0, 0, m_rectClient.Width(), m_rectClient.Height(), &m_cache.GetDC(), 0, 0,
                        SRCCOPY);
    }
    m_bSizeChanged = FALSE;
    return TRUE;
}

KvResult CKvUIDialog::UpdateWindowRegion(const CRect& rect) {
    if (m_bSizeChanged && m_windowRegion.GetSafeHandle() != nullptr)
        m_windowRegion.DeleteObject();
    if (m_windowRegion.GetSafeHandle() != nullptr)
        return KV_OK;
    CKvUIObjectDialog& part = *this;
    KvRegionShape shape;
    shape.rect = CRect(rect.left, rect.top, rect.right + 1, rect.bottom + 1);
    shape.cornerWidth = m_nCornerWidth;
    shape.cornerHeight = m_nCornerHeight;
    shape.useImage = part.GetFlagBackgroundImageHasTransparent() != 0;
    shape.transparent = part.GetTransparentColor();
    const KvResult result = KvMakeWindowRegion(m_windowRegion, m_backgroundBitmap, shape);
    // The image is drawn at the client area's corner: so is its shape.
    if (shape.useImage && result == KV_OK && m_backgroundBitmap.GetSafeHandle() != nullptr &&
        m_windowRegion.GetSafeHandle() != nullptr)
        m_windowRegion.OffsetRgn(m_clientOffset.x, m_clientOffset.y);
    if (m_windowRegion.GetSafeHandle() != nullptr) {
        // The window owns what it is given: it gets a copy, and the dialog
        // keeps its own region to clip its erases with.
        CRgn copy;
        if (copy.CreateRectRgn(0, 0, 0, 0) && copy.CopyRgn(&m_windowRegion) != ERROR)
            SetWindowRgn(static_cast<HRGN>(copy.Detach()), TRUE);
    }
    return result;
}

KvResult CKvUIDialog::ComposeBackground(CDC* pDC) {
    if (!IsValidPtr(pDC))
        return m_nLastResult;
    if (m_bSizeChanged && m_cache.Exists())
        m_cache.Release();
    if (m_cache.Exists())
        return m_nLastResult;
    if (!m_cache.Create(pDC, m_rectClient.Width(), m_rectClient.Height()))
        return m_nLastResult;
    CDC& cache = m_cache.GetDC();
    CKvUIObjectDialog& part = *this;
    KvFillSurface(cache, m_rectClient,
                  KvSurfaceLook{m_clrBackground, m_clrGradientStart, m_nStyle});
    KvBlendImage(cache, m_rectClient, m_backgroundBitmap, part.GetFlagBackgroundWallpaper() != 0,
                 m_clrBackground, KvBlendArea::kImage);
    DrawBorder();
    return m_nLastResult;
}

KvResult CKvUIDialog::DrawBorder() {
    if (!m_cache.Exists() || m_borderBitmap.GetSafeHandle() == nullptr)
        return m_nLastResult;
    // The frame rings the client area, which is the cache; without a border
    // or caption that is the whole window.
    const CRect start(m_rectClient.left, m_rectClient.top, m_rectClient.right + 1,
                      m_rectClient.bottom + 1);
    return m_nLastResult = KvDrawBorder(m_cache.GetDC(), m_borderBitmap, start, m_nCornerWidth,
                                        m_nCornerHeight);
}

// ---- Dragging and docking ----

BOOL CKvUIDialog::IsDocked(int edge) const {
    switch (edge) {
    case 0:
        return m_bDockedLeft;
    case 1:
        return m_bDockedRight;
    case 2:
        return m_bDockedTop;
    case 3:
        return m_bDockedBottom;
    default:
        return FALSE;
    }
}

CPoint CKvUIDialog::DragTarget(CPoint client) const {
    CPoint screen = client;
    ClientToScreen(&screen);
    // The client area may sit inside a border: keep the grab point under the
    // mouse, not the window's corner.
    CRect window;
    GetWindowRect(&window);
    CPoint origin(0, 0);
    ClientToScreen(&origin);
    return CPoint(screen.x - m_grabPoint.x - (origin.x - window.left),
                  screen.y - m_grabPoint.y - (origin.y - window.top));
}

void CKvUIDialog::MoveTo(CPoint topLeft) {
    SetWindowPos(nullptr, topLeft.x, topLeft.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
}

void CKvUIDialog::OnLButtonDown(UINT, CPoint point) {
    if (!HasCaption()) {
        m_bDragging = TRUE;
        m_grabPoint = point;
        SetCapture();
    }
    Default();
}

void CKvUIDialog::OnMouseMove(UINT, CPoint point) {
    if (m_bDragging) {
        MoveTo(DragTarget(point));
        return;
    }
    if (m_bDockable && m_bInitialised && m_bShown && !m_bTrackingLeave)
        RequestLeaveNotice();
    Default();
}

void CKvUIDialog::OnLButtonUp(UINT, CPoint point) {
    if (!m_bDragging) {
        Default();
        return;
    }
    m_bDragging = FALSE;
    ::ReleaseCapture();
    const CPoint target = DragTarget(point);
    if (!m_bDockable || !m_bInitialised)
        MoveTo(target);
    else
        DockAtDrop(target);
}

void CKvUIDialog::EvaluateScreenEdges() {
    const int cx = ::GetSystemMetrics(SM_CXSCREEN);
    const int cy = ::GetSystemMetrics(SM_CYSCREEN);
    CRect window;
    GetWindowRect(&window);
    if (window.Width() > cx || window.Height() > cy)
        return;
    if (window.left < kDockDistance)
        m_bDockedLeft = TRUE;
    else if (cx < window.right + kDockDistance)
        m_bDockedRight = TRUE;
    if (window.top < kDockDistance)
        m_bDockedTop = TRUE;
    else if (cy < window.bottom + kDockDistance)
        m_bDockedBottom = TRUE;
}

void CKvUIDialog::DockAtDrop(CPoint target) {
    m_bDockedLeft = m_bDockedRight = m_bDockedTop = m_bDockedBottom = FALSE;
    // The edges are judged at the drop place.
    MoveTo(target);
    EvaluateScreenEdges();
    if (!AnyEdge())
        return;
    const int cx = ::GetSystemMetrics(SM_CXSCREEN);
    const int cy = ::GetSystemMetrics(SM_CYSCREEN);
    CRect window;
    GetWindowRect(&window);
    const int x = m_bDockedLeft ? 0 : m_bDockedRight ? cx - window.Width() : target.x;
    const int y = m_bDockedTop ? 0 : m_bDockedBottom ? cy - window.Height() : target.y;
    MoveTo(CPoint(x, y));
    RequestLeaveNotice();
}

void CKvUIDialog::RequestLeaveNotice() {
    TRACKMOUSEEVENT track;
    track.dwFlags = TME_LEAVE;
    track.hwndTrack = m_hWnd;
    ::TrackMouseEvent(&track);
    m_bTrackingLeave = TRUE;
}

bool CKvUIDialog::CursorAtEdge() const {
    POINT cursor{0, 0};
    ::GetCursorPos(&cursor);
    const int cx = ::GetSystemMetrics(SM_CXSCREEN);
    const int cy = ::GetSystemMetrics(SM_CYSCREEN);
    if (m_bDockedLeft)
        return cursor.x < 1;
    if (m_bDockedRight)
        return cursor.x >= cx - 1;
    if (m_bDockedTop)
        return cursor.y < 1;
    if (m_bDockedBottom)
        return cursor.y >= cy - 1;
    return false;
}

DWORD CKvUIDialog::SlideDirection(bool outwards) const {
    if (m_bDockedLeft)
        return outwards ? AW_HOR_NEGATIVE : AW_HOR_POSITIVE;
    if (m_bDockedRight)
        return outwards ? AW_HOR_POSITIVE : AW_HOR_NEGATIVE;
    if (m_bDockedTop)
        return outwards ? AW_VER_NEGATIVE : AW_VER_POSITIVE;
    if (m_bDockedBottom)
        return outwards ? AW_VER_POSITIVE : AW_VER_NEGATIVE;
    return 0;
}

void CKvUIDialog::OnMouseLeave() {
    if (!m_bDockable || !m_bInitialised) {
        Default();
        return;
    }
    m_bTrackingLeave = FALSE;
    if (!AnyEdge() || !m_bShown)
        return;
    POINT cursor{0, 0};
    ::GetCursorPos(&cursor);
    CRect window;
    GetWindowRect(&window);
    if (window.PtInRect(cursor) || CursorAtEdge())
        return;
    if (!m_bAnimated) {
        ShowWindow(SW_HIDE);
        return;
    }
    if (!m_bSlidIn)
        return;
    ShowWindow(SW_SHOW);
    m_bAnimating = true;
    const BOOL animated =
        ::AnimateWindow(m_hWnd, kAnimationMs, AW_HIDE | AW_BLEND | SlideDirection(true));
    m_bAnimating = false;
    if (!animated)
        ShowWindow(SW_HIDE);
    m_bSlidIn = FALSE;
}

void CKvUIDialog::OnTimer(std::uintptr_t) {
    if (!m_slideTimer.IsRunning()) {
        m_slideTimer.Restart(0, kSlideCheckMs);
    } else if (m_slideTimer.CheckExpired() != 0 && m_bDockable && m_bInitialised && AnyEdge() &&
               CursorAtEdge()) {
        if (!m_bAnimated) {
            if (!m_bShown)
                ShowWindow(SW_SHOW);
            BringWindowToTop();
        } else if (!m_bSlidIn && m_bShown) {
            m_bAnimating = true;
            ::AnimateWindow(m_hWnd, kAnimationMs, AW_BLEND | SlideDirection(false));
            m_bAnimating = false;
            ShowWindow(SW_SHOW);
            BringWindowToTop();
            m_bSlidIn = TRUE;
        }
    }
    Default();
}

void CKvUIDialog::OnShowWindow(BOOL bShow, UINT) {
    if (m_bDockable && m_bInitialised) {
        EvaluateScreenEdges();
        if (AnyEdge() && !m_bShown && bShow && !m_bTrackingLeave)
            RequestLeaveNotice();
    }
    if ((GetWindowStyleEx() & WS_EX_LAYERED) != 0)
        ::SetLayeredWindowAttributes(m_hWnd, 0, 255, LWA_ALPHA);
    // A slide out keeps the window shown for docking: it comes back by
    // sliding in, which needs the flag.
    if (!m_bAnimating)
        m_bShown = bShow;
    Default();
}

void CKvUIDialog::OnWindowPosChanged(WINDOWPOS*) {
    Default();
    if (m_bDockable && m_bInitialised)
        EvaluateScreenEdges();
}

BOOL CKvUIDialog::OnSetCursor(CWnd*, UINT, UINT) {
    const BOOL result = static_cast<BOOL>(Default());
    if (m_hCursor != nullptr)
        ::SetCursor(m_hCursor);
    return result;
}
