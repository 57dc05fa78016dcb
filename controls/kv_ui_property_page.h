#pragma once
// CKvUIPropertyPage: the base of the pages of a skinned property sheet. Its
// look comes from a "UIOBJECTDIALOG" description, as a skinned dialog's
// does, with a page's differences: its window comes from the sheet, it
// composes its client area once and keeps it (a later resize changes
// nothing), its border comes only from a resource and its image files lie
// in the "Images" folder. It makes the statics and group boxes its
// description lists and hands what the router posts to its endpoint to
// OnMessageReceived.

#include "controls/child_controls.h"
#include "controls/control_description.h"
#include "controls/kv_bitmap.h"
#include "controls/skin_background.h"
#include "guidesc/ui_object_dialog.h"
#include "platform/mfc/mfc_sheet.h"

#include <cstdint>
#include <string>

class CKvMessageRouter;

class CKvUIPropertyPage : public CPropertyPage, public CKvUIObjectDialog {
public:
    static constexpr std::size_t kCaptionLimit = 128;

    explicit CKvUIPropertyPage(UINT nIDTemplate, UINT nIDCaption = 0, UINT nPspSize = 0x30);
    ~CKvUIPropertyPage() override;

    // The page's colours, style, corners and routing back to their
    // defaults; the description's own properties stay.
    void Reset() override;

    KvResult LoadDescription();
    void CopyDescription(const CKvUIObjectDialog& source);
    KvResult LoadBackgroundImage();
    KvResult LoadBorderImage();
    KvResult CreateChildControls();
    KvResult DestroyChildControls();

    // At most 128 characters, into the description's text and the caption
    // buffer (followed by two NULs).
    void SetCaption(const std::string& text);
    char* GetCaptionBuffer() { return m_caption; }
    std::int32_t& GetPageIndexRef() { return m_nPageIndex; }
    BOOL& GetRouterRegistration() { return m_bRouterRegistration; }
    CKvMessageRouter*& GetRouterRef() { return m_pRouter; }
    std::uint16_t& GetEndpointId() { return m_nEndpointId; }
    // Its XP buttons paint their transparent parts from it.
    CDC& GetBackgroundCache() { return m_cache.GetDC(); }

    BOOL PreTranslateMessage(MSG* pMsg) override;
    // wParam: the message kind; lParam: the posted CKvMessage, which the
    // receiver owns. The default releases it.
    virtual void OnMessageReceived(WPARAM wParam, LPARAM lParam);

    KvResult GetLastResult() const { return m_nLastResult; }
    CKvBitmap& GetBackgroundBitmap() { return m_backgroundBitmap; }
    CKvBitmap& GetBorderBitmap() { return m_borderBitmap; }
    const KvChildControls& GetChildControls() const { return m_childControls; }
    KvMemorySurface& GetCache() { return m_cache; }
    CRgn& GetWindowRegion() { return m_windowRegion; }
    COLORREF GetPageBackgroundColor() const { return m_clrBackground; }

protected:
    BOOL OnInitDialog() override;
    void PostNcDestroy() override;
    void OnDroppedMessage(const MSG& message) override;
    BOOL OnEraseBkgnd(CDC* pDC) override;
    void OnDrawItem(int id, DRAWITEMSTRUCT* item) override;

    KvResult UpdateWindowRegion(const CRect& client);
    KvResult ComposeBackground(CDC* pDC, const CRect& client);
    KvResult DrawBorder(const CRect& client);

    CKvMessageRouter* m_pRouter = nullptr;
    std::uint16_t m_nEndpointId = 0;
    BOOL m_bRouterRegistration = FALSE;

private:
    bool IsRouterMessage(const MSG& message) const;
    KvResult LoadImage(CKvBitmap& bitmap, const std::string& file, std::uint32_t resourceId);

    KvResult m_nLastResult = KV_OK;
    std::int32_t m_nPageIndex = 0;
    char m_caption[kCaptionLimit + 2] = {};
    KvChildControls m_childControls;
    CKvBitmap m_backgroundBitmap;
    COLORREF m_clrBackground = 0xFFFFFF;
    COLORREF m_clrGradientStart = 0xFFFFFF;
    std::uint32_t m_nStyle = 0;
    CRgn m_windowRegion;
    std::int32_t m_nCornerWidth = 0;
    std::int32_t m_nCornerHeight = 0;
    KvMemorySurface m_cache;
    CKvBitmap m_borderBitmap;
};
