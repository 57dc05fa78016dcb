#pragma once
// CKvUIListCtrl: the report-style list control built from a
// "UIOBJECTLISTCTRL" description. Its columns come from the header names
// ("title:share"), its rows are entries of a row map named by identifier, and
// what the user does with it goes to the owner window as "INFO" events
// through the message router. The list view draws itself.

#include "controls/item_collection_map.h"
#include "core/bounded_string_list.h"
#include "guidesc/ui_object_list_ctrl.h"
#include "platform/mfc/mfc_listctrl.h"

#include <cstdint>
#include <string>
#include <vector>

class CKvMessageRouter;

class CKvUIListCtrl : public CListCtrl, public CKvUIObjectListCtrl {
public:
    // WS_CHILD | WS_VISIBLE | WS_BORDER | LVS_REPORT.
    static constexpr std::uint32_t kDefaultWindowStyle = 0x50800001;

    CKvUIListCtrl();
    ~CKvUIListCtrl() override;

    void SetEventTarget(CKvMessageRouter* router, std::uint16_t endpoint) {
        m_pRouter = router;
        m_nEndpoint = endpoint;
    }
    void SetControlId(UINT id) { m_nControlId = id; }
    BoundedStringList& GetHeaderNames() { return m_headerNames; }
    ItemCollectionMap& GetRowMap() { return m_rows; }

    KvResult CreateFromDescription(CWnd* parent, BOOL apply);
    KvResult ApplyDescription();
    void CopyDescription(CKvUIObjectListCtrl* description);
    KvResult InsertColumns();

    KvResult AddRow(std::string identifier, const BoundedStringList* texts);
    KvResult UpdateRow(std::string identifier, const BoundedStringList* texts);
    KvResult LookupRow(ItemCollection*& row, const std::string& identifier);
    KvResult SelectRow(const std::string& identifier);
    KvResult RemoveRow(std::string identifier);

    // Positions are list view indexes plus 1; 0 is the end.
    BOOL GetFirstSelectedPosition(int& position) const;
    BOOL GetNextSelectedRow(ItemCollection*& row, int& position) const;

    // Does nothing here; both header-click handlers call it first.
    virtual void OnHeaderItemClicked(int column);

    // The notification handlers; each sets the result to 0.
    void OnHeaderItemClickA(NMHDR* header, LRESULT* result);
    void OnHeaderItemClickW(NMHDR* header, LRESULT* result);
    void OnItemChanged(NMHDR* header, LRESULT* result);
    void OnODStateChanged(NMHDR* header, LRESULT* result);
    void OnClick(NMHDR* header, LRESULT* result);
    void OnDblClk(NMHDR* header, LRESULT* result);

    BOOL OnNotifyReflect(NMHDR* header, LRESULT* result) override;

    const CRect& GetWindowRectangle() const { return m_rectWindow; }
    UINT GetControlId() const { return m_nControlId; }
    std::uint32_t GetCreationStyle() const { return m_nWindowStyle; }
    std::uint32_t GetListExStyle() const { return m_nListExStyle; }
    std::uint32_t GetEventCounter() const { return m_nEventCounter; }

    // The endpoint that events go to. The owner writes it.
    std::uint16_t m_nOwnerEndpoint = 0;

protected:
    BOOL OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* result) override;

private:
    // A row's list view item, found by the row pointer it carries; -1.
    int FindRowItem(const ItemCollection* row) const;
    // The owner must be set for events that name a row or a column.
    void SendEvent(const char* name, const std::string& text, std::uint32_t number, bool is_number,
                   bool needs_owner);
    void SendClickEvent(const char* name, NMHDR* header);

    CRect m_rectWindow;
    UINT m_nControlId = 0;
    std::uint32_t m_nWindowStyle = kDefaultWindowStyle;
    std::uint32_t m_nListExStyle = 0;
    BoundedStringList m_headerNames;
    ItemCollectionMap m_rows{kListItemKind};
    CKvMessageRouter* m_pRouter = nullptr;
    std::uint16_t m_nEndpoint = 0;
    std::uint32_t m_nEventCounter = 0;
};

// Column widths for header names in a control width wide: shares of the
// width, truncated. A sum of fractions that is not a positive finite number
// gives every column width / n; each share is kept within 0 to 1.
struct KvColumnLayout {
    std::string title;
    std::int32_t width = 0;
};
std::vector<KvColumnLayout> KvLayoutColumns(const BoundedStringList& names, std::int32_t width);
