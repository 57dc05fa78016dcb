#include "controls/kv_tab.h"

#include "controls/control_description.h"

CKvTab::CKvTab() {
    m_brushBackground.CreateSolidBrush(m_clrBackground);
    m_brushTab.CreateSolidBrush(m_clrTab);
}

void CKvTab::SetBackgroundColor(COLORREF color) {
    m_clrBackground = color;
    m_brushBackground.DeleteObject();
    m_brushBackground.CreateSolidBrush(color);
}

void CKvTab::SetTabColor(COLORREF color) {
    m_clrTab = color;
    m_brushTab.DeleteObject();
    m_brushTab.CreateSolidBrush(color);
}

HBRUSH CKvTab::BackgroundBrush() const {
    if (KvIsNoBrush(m_clrBackground))
        return static_cast<HBRUSH>(::GetStockObject(NULL_BRUSH));
    return static_cast<HBRUSH>(m_brushBackground.m_hObject);
}

void CKvTab::PreSubclassWindow() {
    ModifyStyle(0, TCS_OWNERDRAWFIXED);
    CTabCtrl::PreSubclassWindow();
}

HBRUSH CKvTab::CtlColor(CDC* pDC, UINT) {
    pDC->SetTextColor(m_clrText);
    pDC->SetBkColor(m_clrTab);
    return BackgroundBrush();
}

BOOL CKvTab::OnEraseBkgnd(CDC* pDC) {
    CRect client;
    GetClientRect(&client);
    ::FillRect(pDC->GetSafeHdc(), &client, BackgroundBrush());
    return TRUE;
}

void CKvTab::DrawItem(DRAWITEMSTRUCT* item) {
    if (item == nullptr)
        return;
    CRect rect(item->rcItem);
    rect.DeflateRect(::GetSystemMetrics(SM_CXEDGE), ::GetSystemMetrics(SM_CYEDGE));
    char text[kTextLimit + 1] = {};
    TCITEM tab;
    tab.mask = TCIF_TEXT;
    tab.pszText = text;
    tab.cchTextMax = sizeof text;
    GetItem(static_cast<int>(item->itemID), &tab);
    m_drawnText = text;
    HDC dc = item->hDC;
    const int saved = ::SaveDC(dc);
    ::SetBkColor(dc, m_clrTab);
    if (GetCurSel() == static_cast<int>(item->itemID))
        ::SetTextColor(dc, m_clrText);
    ::FillRect(dc, &rect, static_cast<HBRUSH>(m_brushTab.m_hObject));
    ::DrawText(dc, text, static_cast<int>(m_drawnText.size()), &rect, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    ::RestoreDC(dc, saved);
}
