#pragma once
// CKvUIDialog: the base of the skinned dialogs. Its window is built from a
// "UIOBJECTDIALOG" description: the dialog template is made in memory from
// the description's size and styles, and the dialog paints itself from it
// (colour or gradient, an image once or tiled, a frame from a one-pixel
// border strip, rounded corners or a region cut out of the image). It makes
// the statics and group boxes its description lists, lets the user drag a
// window without caption, docks a dockable one at a screen edge and hides it
// there until the mouse comes back, and hands what the message router posts
// to its endpoint to OnMessageReceived.
//
// The composed background (the cache) and the window region are made at the
// first erase and again only after a size change, so an erase is one copy.
// Statics paint their transparent parts from the cache: the dialog outlives
// them. Used on the thread that owns the window.

#include "controls/child_controls.h"
#include "controls/control_description.h"
#include "controls/kv_bitmap.h"
#include "controls/kv_painter.h"
#include "controls/skin_background.h"
#include "core/timeout_timer.h"
#include "guidesc/ui_object_dialog.h"
#include "platform/mfc/mfc_dialog.h"

#include <cstdint>
#include <string>

class CKvMessageRouter;

class CKvUIDialog : public CDialog, public CKvUIObjectDialog {
public:
    // Edges of the screen within which a dropped window docks.
    static constexpr int kDockDistance = 30;
    static constexpr std::uint32_t kSlideCheckMs = 200;
    static constexpr DWORD kAnimationMs = 300;
    // The height a modal template adds for its caption.
    static constexpr int kModalCaptionHeight = 18;

    explicit CKvUIDialog(UINT nIDTemplate = 0, CWnd* pParent = nullptr);
    ~CKvUIDialog() override;

    KvResult CreateModelessFromDescription();
    // Runs the modal loop; returns what DoModal returns.
    std::intptr_t DoModalFromDescription();
    KvResult CreateFromResource(UINT nID, CWnd* pParent);
    KvResult InitModalTemplate();
    KvResult CreateIndirectTemplate();

    KvResult PrepareTemplate();
    void CopyDescription(const CKvUIObjectDialog* source);
    // The template bytes for a modal or modeless window, from the sizes
    // PrepareTemplate took (grown by the frame here).
    void BuildTemplate(bool modal);
    KvResult LoadBackgroundImage();
    KvResult LoadBorderImage();
    KvResult CreateChildControls();
    KvResult DestroyChildControls();

    CKvMessageRouter* GetRouter() const { return m_pRouter; }
    BOOL& GetRouterRegistration() { return m_bRouterRegistration; }
    // Set by derived dialogs: the router they register the window with and
    // the endpoint id, which is also the message number the router posts.
    CKvMessageRouter*& GetRouterRef() { return m_pRouter; }
    std::uint16_t& GetEndpointId() { return m_nEndpointId; }
    std::uint32_t& GetRequestCounter() { return m_nRequestCounter; }
    BOOL& GetAnimated() { return m_bAnimated; }
    HICON& GetIcon() { return m_hIcon; }
    HCURSOR& GetCursor() { return m_hCursor; }

    BOOL PreTranslateMessage(MSG* pMsg) override;
    // wParam: the message kind; lParam: the posted CKvMessage, which the
    // receiver owns. The default releases it.
    virtual void OnMessageReceived(WPARAM wParam, LPARAM lParam);

    // State, for owners and tests.
    KvResult GetLastResult() const { return m_nLastResult; }
    const std::string& GetTemplate() const { return m_dialogTemplate; }
    std::int32_t GetTemplateWidth() const { return m_nTemplateWidth; }
    std::int32_t GetTemplateHeight() const { return m_nTemplateHeight; }
    CKvBitmap& GetBackgroundBitmap() { return m_backgroundBitmap; }
    CKvBitmap& GetBorderBitmap() { return m_borderBitmap; }
    const KvChildControls& GetChildControls() const { return m_childControls; }
    KvMemorySurface& GetBackgroundCache() { return m_cache; }
    CRgn& GetWindowRegion() { return m_windowRegion; }
    BOOL IsDocked(int edge) const; // 0 left, 1 right, 2 top, 3 bottom
    BOOL IsInitialised() const { return m_bInitialised; }
    BOOL IsDockable() const { return m_bDockable; }
    BOOL IsSlidIn() const { return m_bSlidIn; }
    const TimeoutTimer& GetSlideTimer() const { return m_slideTimer; }

protected:
    BOOL OnInitDialog() override;
    void PostNcDestroy() override;
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override {
        return CWnd::OnCommand(wParam, lParam);
    }
    // A router message still queued when the window goes is released.
    void OnDroppedMessage(const MSG& message) override;

    BOOL OnEraseBkgnd(CDC* pDC) override;
    void OnLButtonDown(UINT nFlags, CPoint point) override;
    void OnLButtonUp(UINT nFlags, CPoint point) override;
    void OnMouseMove(UINT nFlags, CPoint point) override;
    BOOL OnSetCursor(CWnd* pWnd, UINT nHitTest, UINT message) override;
    void OnShowWindow(BOOL bShow, UINT nStatus) override;
    void OnMouseLeave() override;
    void OnTimer(std::uintptr_t nIDEvent) override;
    void OnWindowPosChanged(WINDOWPOS* lpwndpos) override;

    KvResult UpdateWindowRegion(const CRect& rect);
    KvResult ComposeBackground(CDC* pDC);
    KvResult DrawBorder();

    std::uint16_t m_nEndpointId = 0;
    CKvMessageRouter* m_pRouter = nullptr;
    std::uint32_t m_nRequestCounter = 0;
    BOOL m_bRouterRegistration = FALSE;

private:
    bool IsRouterMessage(const MSG& message) const;
    // The background or border image, packed or plain as the description says.
    KvResult LoadImage(CKvBitmap& bitmap, const std::string& file, std::uint32_t resourceId);
    bool HasCaption() const { return (GetWindowStyle() & WS_CAPTION) == WS_CAPTION; }
    // The screen point of a client point, less the grab point: where the
    // window goes.
    CPoint DragTarget(CPoint client) const;
    void MoveTo(CPoint topLeft);
    void EvaluateScreenEdges();
    bool AnyEdge() const {
        return m_bDockedLeft || m_bDockedRight || m_bDockedTop || m_bDockedBottom;
    }
    bool CursorAtEdge() const;
    void DockAtDrop(CPoint target);
    void RequestLeaveNotice();
    // The AW_ direction of the first docked edge, outwards (hiding) or in.
    DWORD SlideDirection(bool outwards) const;

    BOOL m_bPrepared = FALSE;
    KvChildControls m_childControls;
    std::int32_t m_nTemplateWidth = 0;
    std::int32_t m_nTemplateHeight = 0;
    std::string m_dialogTemplate;
    BOOL m_bDragging = FALSE;
    CPoint m_grabPoint;
    CKvBitmap m_backgroundBitmap;
    HICON m_hIcon = nullptr;
    KvResult m_nLastResult = KV_OK;
    COLORREF m_clrBackground = 0xFFFFFF;
    COLORREF m_clrGradientStart = 0xFFFFFF;
    std::uint32_t m_nStyle = 0;
    CRgn m_windowRegion;
    std::int32_t m_nCornerWidth = 0;
    std::int32_t m_nCornerHeight = 0;
    KvMemorySurface m_cache;
    CKvBitmap m_borderBitmap;
    BOOL m_bSizeChanged = FALSE;
    CRect m_rectRemembered;
    CRect m_rectWindow;
    CRect m_rectClient;
    // The client area's top left in window coordinates, and the client area
    // and offset at the last erase.
    CPoint m_clientOffset;
    CRect m_rectClientRemembered;
    CPoint m_offsetRemembered;
    HCURSOR m_hCursor = nullptr;
    BOOL m_bDockable = FALSE;
    BOOL m_bDockedLeft = FALSE;
    BOOL m_bDockedRight = FALSE;
    BOOL m_bDockedTop = FALSE;
    BOOL m_bDockedBottom = FALSE;
    BOOL m_bShown = FALSE;
    TimeoutTimer m_slideTimer{0, 0};
    BOOL m_bTrackingLeave = FALSE;
    BOOL m_bSlidIn = TRUE;
    BOOL m_bAnimated = FALSE;
    BOOL m_bInitialised = FALSE;
    // While our own AnimateWindow runs: its hiding is a slide, not a hide.
    bool m_bAnimating = false;
};
