#pragma once
// CKvUIPropertySheet: a property sheet living as a child window of a skinned
// dialog, placed and coloured by a "UIOBJECTPROPERTYSHEET" description, with
// skinned pages and its tab control subclassed by CKvTab. It can register
// its window with the message router under an endpoint id; what the router
// posts there goes to OnMessageReceived.

#include "controls/kv_tab.h"
#include "guidesc/ui_object_catalog.h"
#include "guidesc/ui_object_property_sheet.h"
#include "platform/mfc/mfc_sheet.h"
#include "platform/result_codes.h"

#include <cstdint>

class CKvMessageRouter;

class CKvUIPropertySheet : public CPropertySheet, public CKvUIObjectPropertySheet {
public:
    // WS_CHILD | WS_TABSTOP | DS_CONTROL | DS_3DLOOK.
    static constexpr DWORD kWindowStyle = 0x40010404;
    static constexpr COLORREF kTextColor = 0x460000;
    static constexpr COLORREF kBackgroundColor = 0xD8E9EC;
    // The module's icon resource that the sheet shows.
    static constexpr std::uintptr_t kIconResource = 130;

    CKvUIPropertySheet(CKvUIObjectCatalog* catalog, const char* identifier, UINT nIDCaption, CWnd* pParent = nullptr,
                       UINT iSelectPage = 0);
    ~CKvUIPropertySheet() override;

    KvResult ApplyDescription();
    KvResult CreateFromDescription(CWnd* parent);
    KvResult SetPageCaption(int index, const char* caption);

    CKvMessageRouter*& GetRouterRef() { return m_pRouter; }
    std::uint16_t& GetEndpointId() { return m_nEndpointId; }
    CKvTab& GetTab() { return m_tab; }
    const CRect& GetWindowRectangle() const { return m_rectWindow; }
    COLORREF GetSheetBackgroundColor() const { return m_clrBackground; }
    COLORREF GetTabColor() const { return m_clrTab; }
    KvResult GetLastResult() const { return result_; }

    BOOL PreTranslateMessage(MSG* pMsg) override;
    // wParam: the message kind; lParam: the posted CKvMessage, which the
    // receiver owns. The default releases it.
    virtual void OnMessageReceived(WPARAM wParam, LPARAM lParam);

    BOOL OnInitDialog() override;

protected:
    void PostNcDestroy() override;
    void OnDroppedMessage(const MSG& message) override;
    HBRUSH OnCtlColor(CDC* pDC, CWnd* pWnd, UINT type) override;

private:
    bool IsRouterMessage(const MSG& message) const;

    CKvMessageRouter* m_pRouter = nullptr;
    std::uint16_t m_nEndpointId = 0;
    CRect m_rectWindow;
    CKvTab m_tab;
    COLORREF m_clrText = kTextColor;
    COLORREF m_clrBackground = kBackgroundColor;
    COLORREF m_clrTab = CKvTab::kTabColor;
    CBrush m_brushBackground;
};
