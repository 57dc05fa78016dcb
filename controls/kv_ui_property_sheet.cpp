#include "controls/kv_ui_property_sheet.h"

#include "controls/control_description.h"
#include "controls/kv_ui_property_page.h"
#include "controls/router_endpoint.h"
#include "framework/message_router.h"
#include "platform/pointer.h"

CKvUIPropertySheet::CKvUIPropertySheet(CKvUIObjectCatalog* catalog, const char* identifier, UINT nIDCaption,
                                       CWnd* pParent, UINT iSelectPage)
    : CPropertySheet(nIDCaption, pParent, iSelectPage), CKvUIObjectPropertySheet(nullptr, 0, nullptr) {
    SetOwner(IsValidPtr(catalog) ? catalog : nullptr);
    GetIdentifier() = IsValidPtr(identifier) ? identifier : "";
    m_psh.dwFlags |= PSH_USEHICON | PSH_NOAPPLYNOW;
    m_psh.dwFlags &= ~PSH_HASHELP;
    m_psh.hIcon = ::LoadIcon(nullptr, reinterpret_cast<const char*>(kIconResource));
    m_brushBackground.CreateSolidBrush(m_clrBackground);
}

CKvUIPropertySheet::~CKvUIPropertySheet() {
    // The tab window is the sheet's child: it goes with the sheet, before the
    // CKvTab member that subclasses it.
    DestroyWindow();
}

KvResult CKvUIPropertySheet::ApplyDescription() {
    CKvUIObject* found = nullptr;
    result_ = KvFindDescription(*this, kUIObjectPropertySheet, found);
    if (KvFailed(result_))
        return result_ = result_ == KV_E_INVALID_POINTER ? KV_E_INVALID_POINTER : KV_E_FAIL;
    CKvUIObjectPropertySheet::operator=(static_cast<const CKvUIObjectPropertySheet&>(*found));
    std::int32_t x = 0;
    std::int32_t y = 0;
    GetOwner()->GetAbsolutePosition(x, y, found);
    GetPositionX() = x;
    GetPositionY() = y;
    CRect client;
    KvDescriptionRects(*this, m_rectWindow, client);
    m_clrBackground = GetBackgroundColor();
    m_brushBackground.DeleteObject();
    m_brushBackground.CreateSolidBrush(m_clrBackground);
    m_clrTab = GetTextBackgroundColor();
    return result_;
}

KvResult CKvUIPropertySheet::CreateFromDescription(CWnd* parent) {
    result_ = KV_OK;
    if (!IsValidPtr(parent))
        return result_ = KV_E_INVALID_POINTER;
    const KvResult applied = ApplyDescription();
    if (!Create(parent, kWindowStyle, 0))
        return result_ = KV_E_FAIL;
    ModifyStyle(0, WS_VISIBLE);
    SetWindowPos(nullptr, m_rectWindow.left, m_rectWindow.top, m_rectWindow.Width(), m_rectWindow.Height(),
                 SWP_NOZORDER | SWP_NOACTIVATE);
    return result_ = applied;
}

BOOL CKvUIPropertySheet::OnInitDialog() {
    if (IsValidPtr(m_pRouter) && m_nEndpointId != 0)
        m_pRouter->RegisterWindow(m_nEndpointId, m_hWnd, nullptr);
    SendMessage(WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_psh.hIcon));
    SendMessage(WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_psh.hIcon));
    const BOOL result = CPropertySheet::OnInitDialog();
    if (m_tab.m_hWnd == nullptr) {
        auto tab = reinterpret_cast<HWND>(SendMessage(PSM_GETTABCONTROL));
        if (tab != nullptr && m_tab.SubclassWindow(tab)) {
            m_tab.SetBackgroundColor(m_clrBackground);
            m_tab.SetTabColor(m_clrTab);
            m_tab.ModifyStyle(0, TCS_OWNERDRAWFIXED);
        }
    }
    return result;
}

void CKvUIPropertySheet::PostNcDestroy() {
    if (IsValidPtr(m_pRouter) && m_nEndpointId != 0)
        m_pRouter->Unregister(m_nEndpointId);
    CPropertySheet::PostNcDestroy();
}

KvResult CKvUIPropertySheet::SetPageCaption(int index, const char* caption) {
    result_ = KV_OK;
    if (m_tab.m_hWnd == nullptr || index < 0 || index >= GetPageCount())
        return result_ = KV_E_FAIL;
    auto* page = dynamic_cast<CKvUIPropertyPage*>(GetPage(index));
    if (!IsValidPtr(page))
        return result_ = KV_E_INVALID_POINTER;
    CKvUIObjectDialog& description = *page;
    page->SetCaption(IsValidPtr(caption) ? std::string(caption) : std::string(description.GetText()));
    TCITEM item;
    item.mask = TCIF_TEXT;
    item.pszText = page->GetCaptionBuffer();
    item.cchTextMax = static_cast<std::int32_t>(description.GetText().size());
    auto tab = reinterpret_cast<HWND>(SendMessage(PSM_GETTABCONTROL));
    if (::SendMessage(tab, TCM_SETITEM, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item)) == 0)
        result_ = KV_E_FAIL;
    Invalidate(TRUE);
    return result_;
}

HBRUSH CKvUIPropertySheet::OnCtlColor(CDC* pDC, CWnd*, UINT) {
    pDC->SetTextColor(m_clrText);
    pDC->SetBkColor(m_clrBackground);
    if (KvIsNoBrush(m_clrBackground))
        return static_cast<HBRUSH>(::GetStockObject(NULL_BRUSH));
    return static_cast<HBRUSH>(m_brushBackground.m_hObject);
}

// ---- Messages of the router ----

bool CKvUIPropertySheet::IsRouterMessage(const MSG& message) const {
    return KvIsEndpointMessage(message, true, m_nEndpointId);
}

BOOL CKvUIPropertySheet::PreTranslateMessage(MSG* pMsg) {
    if (pMsg != nullptr && IsRouterMessage(*pMsg)) {
        OnMessageReceived(pMsg->wParam, pMsg->lParam);
        return TRUE;
    }
    return CPropertySheet::PreTranslateMessage(pMsg);
}

void CKvUIPropertySheet::OnMessageReceived(WPARAM, LPARAM lParam) { KvReleasePostedMessage(lParam); }

void CKvUIPropertySheet::OnDroppedMessage(const MSG& message) {
    if (!IsRouterMessage(message))
        return;
    KvReleasePostedMessage(message.lParam);
}
