#pragma once
// CKvUIComboBoxEx: the skinned extended combo box, built from a
// "UIOBJECTCOMBOBOXEX" description. Programs name its lines by identifier,
// the user sees their texts; the user's choices go to the owner window as
// "INFO" events through the message router. CKvUIComboBoxExCEdit takes over
// the edit field of a drop-down to report the Return key.

#include "controls/item_collection_map.h"
#include "guidesc/ui_object_combo_box_ex.h"
#include "platform/mfc/mfc_comboex.h"
#include "platform/mfc/mfc_edit.h"

#include <cstdint>
#include <string>

class CKvMessageRouter;
class CKvUIComboBoxEx;

// One "textentries" line, "identifier;text", trimmed: a line without ";"
// names itself, a trailing ";" gives an empty text, pieces after the second
// are ignored.
void KvSplitTextEntry(const std::string& line, std::string& identifier, std::string& text);

class CKvUIComboBoxExCEdit : public CEdit {
public:
    CKvUIComboBoxEx*& GetOwnerRef() { return m_pOwner; }

protected:
    void OnKeyUp(UINT key, UINT repeat, UINT flags) override;

private:
    CKvUIComboBoxEx* m_pOwner = nullptr;
};

class CKvUIComboBoxEx : public CComboBoxEx, public CKvUIObjectComboBoxEx {
public:
    // WS_CHILD | WS_VISIBLE | CBS_NOINTEGRALHEIGHT | CBS_DROPDOWNLIST.
    static constexpr std::uint32_t kDefaultCreateStyle = 0x50000403;

    CKvUIComboBoxEx();
    ~CKvUIComboBoxEx() override;

    KvResult CreateFromDescription(CWnd* parent, BOOL apply);
    KvResult ApplyDescription();
    void SetControlId(std::uint32_t id) { m_nControlId = id; }
    ItemCollectionMap& GetEntryMap() { return m_entries; }
    void SetEventTarget(CKvMessageRouter* router, std::uint16_t endpoint) {
        m_pRouter = router;
        m_nEndpoint = endpoint;
    }

    KvResult AddEntry(const std::string& identifier, const std::string& text);
    KvResult RemoveAllEntries();
    KvResult GetIdentifierOfText(std::string& identifier, const std::string& text);
    KvResult GetTextOfIdentifier(std::string& text, const std::string& identifier);
    KvResult SelectIdentifier(const std::string& identifier);
    KvResult SelectText(const std::string& text);
    void SendEvent(const std::string& name, const std::string& value);

    void OnSelChange();
    void OnBeginEdit(NMHDR* header, LRESULT* result);
    void OnEditReturn();
    // The drop width: the widest line plus the average character width, the
    // scroll bar and the edges. A line added at the top is measured alone;
    // anything else (a removal, another font, lines changed behind the
    // control's back) measures every line again.
    void AdjustDropWidth();

    BOOL OnCommandReflect(UINT code) override;
    BOOL OnNotifyReflect(NMHDR* header, LRESULT* result) override;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

    const CRect& GetWindowRectangle() const { return m_rectWindow; }
    std::uint32_t GetControlId() const { return m_nControlId; }
    std::uint32_t GetCreateStyle() const { return m_nCreateStyle; }
    std::uint32_t GetEventCounter() const { return m_nEventCounter; }
    BOOL IsEditSubclassed() const { return m_bEditSubclassed; }
    CKvUIComboBoxExCEdit& GetEditField() { return m_edit; }

    // The endpoint that events go to; 0 sends none. The owner writes it.
    std::uint16_t m_nOwnerEndpoint = 0;

private:
    CRect m_rectWindow;
    std::uint32_t m_nControlId = 0;
    std::uint32_t m_nCreateStyle = kDefaultCreateStyle;
    std::uint32_t m_nComboBoxStyle = 0;
    std::uint32_t m_nWindowStyle = 0;
    ItemCollectionMap m_entries{kComboItemKind};
    CKvMessageRouter* m_pRouter = nullptr;
    std::uint16_t m_nEndpoint = 0;
    std::uint32_t m_nEventCounter = 0;
    CKvUIComboBoxExCEdit m_edit;
    BOOL m_bEditSubclassed = FALSE;
    // What the drop width was last measured over.
    struct Measured {
        int lines = -1;
        HFONT font = nullptr;
        int widest = 0;
    } m_measured;
};
