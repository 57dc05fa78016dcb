#include "controls/kv_ui_combo_box_ex.h"

#include "controls/control_description.h"
#include "controls/router_endpoint.h"
#include "framework/message.h"
#include "framework/message_router.h"
#include "framework/named_value.h"
#include "framework/payload_registry.h"
#include "platform/text.h"

#include <algorithm>
#include <optional>
#include <vector>

void KvSplitTextEntry(const std::string& line, std::string& identifier, std::string& text) {
    const std::int32_t separator = FindChar(line, ';');
    if (separator < 0) {
        identifier = line;
        TrimInPlace(identifier);
        text = identifier;
        return;
    }
    identifier = Left(line, separator);
    const std::int32_t next = FindChar(line, ';', separator + 1);
    text = next >= 0 ? Mid(line, separator + 1, next - separator - 1) : Mid(line, separator + 1);
    TrimInPlace(identifier);
    TrimInPlace(text);
}

void CKvUIComboBoxExCEdit::OnKeyUp(UINT key, UINT, UINT) {
    if (key == static_cast<UINT>(VK_RETURN) && IsValidPtr(m_pOwner))
        m_pOwner->OnEditReturn();
    Default();
}

CKvUIComboBoxEx::CKvUIComboBoxEx() : CKvUIObjectComboBoxEx(nullptr, 0, nullptr) { m_edit.GetOwnerRef() = this; }

CKvUIComboBoxEx::~CKvUIComboBoxEx() {
    // The edit field is a member: its window goes with the combo's first.
    if (IsWindow())
        DestroyWindow();
}

KvResult CKvUIComboBoxEx::ApplyDescription() {
    CKvUIObjectComboBoxEx& part = *this;
    result_ = KvCopyDescription(part, kUIObjectComboBoxEx);
    if (result_ == KV_E_INVALID_POINTER)
        return result_;
    if (KvFailed(result_))
        return result_ = KV_E_FAIL;
    CRect client;
    KvDescriptionRects(part, m_rectWindow, client);
    m_nComboBoxStyle = GetComboBoxStyle();
    m_nWindowStyle = GetWindowStyle();
    m_nCreateStyle = m_nComboBoxStyle | m_nWindowStyle;
    // The id is the catalog's own: the copy leaves "uiid" out.
    CKvUIObject* found = nullptr;
    if (GetOwner()->Lookup(found, kUIObjectComboBoxEx, GetIdentifier()))
        m_nControlId = found->GetUiid();
    return result_ = KV_OK;
}

KvResult CKvUIComboBoxEx::CreateFromDescription(CWnd* parent, BOOL apply) {
    KvResult applied = KV_OK;
    result_ = KvCreateFromDescription(parent, apply, [&] { applied = ApplyDescription(); }, [&] {
        return CComboBoxEx::Create(m_nCreateStyle, m_rectWindow, parent, m_nControlId);
    });
    if (KvFailed(result_))
        return result_;
    KvResult last = applied;
    BoundedStringList::Position position = BoundedStringList::kNoPosition;
    std::string line;
    const BoundedStringList& lines = GetTextEntries();
    for (bool more = lines.GetHeadPosition(position); more && lines.GetNext(line, position);
         more = position != BoundedStringList::kNoPosition) {
        std::string identifier;
        std::string text;
        KvSplitTextEntry(line, identifier, text);
        last = AddEntry(identifier, text);
    }
    return result_ = last;
}

KvResult CKvUIComboBoxEx::AddEntry(const std::string& identifier, const std::string& text) {
    ItemCollection* entry = nullptr;
    result_ = m_entries.AddEntryFromText(entry, identifier, text);
    if (KvFailed(result_))
        return result_;
    UIItem* item = nullptr;
    if (KvSucceeded(entry->GetItemAt(item, 0))) {
        // Every line goes to the top, so each entry's item keeps index 0.
        item->SetIndex(0);
        InsertItem(static_cast<ComboItem*>(item)->GetRecord());
        AdjustDropWidth();
    }
    return result_;
}

KvResult CKvUIComboBoxEx::RemoveAllEntries() {
    // Removing an entry moves the lines after its own up one index. AddEntry
    // puts every line at index 0, so removing the entries in turn renumbers
    // none of the others: they go in one pass, each after its line, for as
    // long as their lines share one index.
    const std::size_t count = m_entries.GetCount();
    std::optional<int> shared;
    int lines_removed = 0;
    const std::size_t removed = m_entries.RemoveEntriesWhile([&](ItemCollection& entry) {
        UIItem* first = nullptr;
        if (KvFailed(entry.GetItemAt(first, 0)))
            return true;
        const int line = first->GetIndex();
        if (shared && line != *shared)
            return false;
        shared = line;
        ++lines_removed;
        DeleteItem(line);
        return true;
    });
    result_ = KV_OK;
    if (removed < count) {
        // A line elsewhere: the others follow one by one, their indices first
        // moved as the removals so far would have moved them.
        std::vector<ItemCollection*> rest;
        ItemCollectionMap::Position position;
        ItemCollection* entry = nullptr;
        for (bool more = m_entries.GetStartPosition(position);
             more && m_entries.GetNextEntry(entry, position);) {
            UIItem* item = nullptr;
            if (KvSucceeded(entry->GetItemAt(item, 0)) && item->GetIndex() > *shared)
                item->SetIndex(std::max(item->GetIndex() - lines_removed, *shared));
            rest.push_back(entry);
        }
        for (ItemCollection* next : rest) {
            UIItem* item = nullptr;
            if (KvSucceeded(next->GetItemAt(item, 0)))
                DeleteItem(item->GetIndex());
            result_ = m_entries.RemoveEntry(next);
        }
    }
    if (m_measured.lines >= 0)
        AdjustDropWidth();
    return result_;
}

KvResult CKvUIComboBoxEx::GetIdentifierOfText(std::string& identifier, const std::string& text) {
    identifier.clear();
    ItemCollection* entry = nullptr;
    if (KvFailed(m_entries.FindEntryByItemText(entry, text)))
        return result_ = KV_E_FAIL;
    identifier = entry->GetIdentifier();
    return result_ = KV_OK;
}

KvResult CKvUIComboBoxEx::GetTextOfIdentifier(std::string& text, const std::string& identifier) {
    text.clear();
    ItemCollection* entry = nullptr;
    if (KvFailed(m_entries.Lookup(entry, identifier)))
        return result_ = KV_E_NOT_PRESENT;
    UIItem* item = nullptr;
    if (KvFailed(entry->GetItemAt(item, 0)))
        return result_ = KV_E_FAIL;
    item->GetText(text);
    return result_ = KV_OK;
}

KvResult CKvUIComboBoxEx::SelectIdentifier(const std::string& identifier) {
    std::string text;
    if (KvFailed(GetTextOfIdentifier(text, identifier)))
        return result_;
    return SelectText(text);
}

KvResult CKvUIComboBoxEx::SelectText(const std::string& text) {
    result_ = KV_OK;
    const int first = FindStringExact(0, text.c_str());
    if (first == CB_ERR)
        return result_ = KV_E_FAIL;
    // The search ignores case: look on for the line with exactly this text,
    // until the first hit comes round again.
    int index = first;
    std::string line;
    GetLBText(index, line);
    while (line != text) {
        const int next = FindStringExact(index, text.c_str());
        if (next == CB_ERR || next == first) {
            index = first;
            break;
        }
        index = next;
        GetLBText(index, line);
    }
    if (SetCurSel(index) == CB_ERR)
        return result_ = KV_E_FAIL;
    std::string identifier;
    return GetIdentifierOfText(identifier, text);
}

void CKvUIComboBoxEx::SendEvent(const std::string& name, const std::string& value) {
    // Only with an owner to send to.
    if (m_nOwnerEndpoint != 0)
        KvSendControlEvent(m_pRouter, m_nOwnerEndpoint, m_nEndpoint, m_nEventCounter, name, value);
}

void CKvUIComboBoxEx::OnSelChange() {
    std::string text;
    if ((m_nComboBoxStyle & CBS_TYPEMASK) == CBS_DROPDOWNLIST) {
        const int selected = GetCurSel();
        if (selected >= 0)
            GetLBText(selected, text);
    } else {
        GetWindowText(text);
    }
    ItemCollection* entry = nullptr;
    const std::string value = KvSucceeded(m_entries.FindEntryByItemText(entry, text)) ? entry->GetIdentifier() : "";
    SendEvent("ITEM_SELECTION_CHANGED", value);
}

void CKvUIComboBoxEx::OnBeginEdit(NMHDR*, LRESULT* result) {
    if (!m_bEditSubclassed) {
        HWND edit = GetEditCtrl();
        if (edit != nullptr && ::IsWindow(edit) && m_edit.SubclassWindow(edit))
            m_bEditSubclassed = TRUE;
    }
    if (result != nullptr)
        *result = 0;
}

void CKvUIComboBoxEx::OnEditReturn() {
    std::string text;
    GetWindowText(text);
    SendEvent("EDIT_CHAR_RETURN", text);
}

void CKvUIComboBoxEx::AdjustDropWidth() {
    CDC* dc = GetDC();
    if (dc == nullptr)
        return;
    const auto font = reinterpret_cast<HFONT>(SendMessage(WM_GETFONT));
    HGDIOBJ old_font = ::SelectObject(*dc, font);
    TEXTMETRIC metrics;
    ::GetTextMetrics(*dc, &metrics);
    std::string text;
    auto measure = [&](int index) {
        GetLBText(index, text);
        SIZE extent{};
        ::GetTextExtentPoint32(*dc, text.data(), static_cast<int>(text.size()), &extent);
        return static_cast<int>(extent.cx + metrics.tmAveCharWidth);
    };
    const int count = GetCount();
    // AddEntry puts each new line at the top.
    if (font == m_measured.font && count == m_measured.lines + 1 && m_measured.lines >= 0) {
        m_measured.widest = std::max(m_measured.widest, measure(0));
    } else {
        m_measured.widest = 0;
        for (int i = 0; i < count; ++i)
            m_measured.widest = std::max(m_measured.widest, measure(i));
    }
    m_measured.lines = count;
    m_measured.font = font;
    ::SelectObject(*dc, old_font);
    ReleaseDC(dc);
    SetDroppedWidth(static_cast<UINT>(m_measured.widest + GetSystemMetrics(SM_CXVSCROLL) +
                                      2 * GetSystemMetrics(SM_CXEDGE)));
}

LRESULT CKvUIComboBoxEx::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    const LRESULT result = CComboBoxEx::WindowProc(message, wParam, lParam);
    if (message == WM_SETFONT && m_measured.lines >= 0)
        AdjustDropWidth();
    return result;
}

BOOL CKvUIComboBoxEx::OnCommandReflect(UINT code) {
    if (code != CBN_SELCHANGE)
        return FALSE;
    OnSelChange();
    return TRUE;
}

BOOL CKvUIComboBoxEx::OnNotifyReflect(NMHDR* header, LRESULT* result) {
    if (header == nullptr || header->code != CBEN_BEGINEDIT)
        return FALSE;
    OnBeginEdit(header, result);
    return TRUE;
}
