#pragma once
// The item descriptors of the skinned combo box and list control: the text
// of one cell and the window item record that the control is fed with. The
// record's pszText always points at the item's own text, so items are
// neither copied nor moved.

#include "platform/common_controls.h"
#include "platform/result_codes.h"
#include "platform/types.h"

#include <cstdint>
#include <string>
#include <string_view>

class ItemCollection;

// The kind of an item and of the entries that make items.
enum UIItemKind : std::int32_t {
    kListItemKind = 0,
    kComboItemKind = 1,
};

class UIItem {
public:
    UIItem(const UIItem&) = delete;
    UIItem& operator=(const UIItem&) = delete;
    virtual ~UIItem() = default;

    // lParam and its mask bit; 0.
    virtual KvResult SetParam(LPARAM value) = 0;
    // The row (and, for a list item, the column); 0.
    virtual KvResult SetPosition(std::int32_t item, std::int32_t sub_item) = 0;
    // The text, with pszText pointing at it, and the image; a negative image
    // clears the image and its mask bit. 0.
    virtual KvResult SetTextAndImage(const std::string& text, std::int32_t image) = 0;
    // The row number the control knows the item by (iItem). Change it through
    // SetIndex or SetPosition, not in the record: the map that holds the
    // item's entry follows its first items' indices through them.
    virtual void SetIndex(std::int32_t index) = 0;
    virtual std::int32_t GetIndex() const = 0;

    void GetText(std::string& out) const { out = m_strText; }
    const std::string& GetText() const { return m_strText; }
    // The item's own writable buffer, as the window record holds it.
    char* GetTextPointer() { return m_strText.data(); }
    std::int32_t GetItemKind() const { return m_nKind; }

    // "label#n": the label before the first "#" and the image after it (read
    // as atol reads it); without a "#", or with the "#" last, the whole text
    // and -1.
    static void SplitLabel(std::string_view text, std::string& label, std::int32_t& image);

protected:
    explicit UIItem(std::int32_t kind) : m_nKind(kind) {}
    // Tells the collection that holds the item that its index changed.
    void IndexChanged();
    // Stores the text; a buffer of at least 20 characters, as the windows
    // expect room to write into.
    char* StoreText(const std::string& text);

private:
    static constexpr std::size_t kMinimumBuffer = 20;

    friend class ItemCollection;

    std::string m_strText;
    std::int32_t m_nKind;
    ItemCollection* m_pHolder = nullptr;  // set when a collection takes the item
};

// One line of a combo box.
class ComboItem : public UIItem {
public:
    ComboItem() : UIItem(kComboItemKind) {}
    KvResult SetParam(LPARAM value) override;
    KvResult SetPosition(std::int32_t item, std::int32_t sub_item) override;
    KvResult SetTextAndImage(const std::string& text, std::int32_t image) override;
    void SetIndex(std::int32_t index) override {
        m_record.iItem = index;
        IndexChanged();
    }
    std::int32_t GetIndex() const override { return static_cast<std::int32_t>(m_record.iItem); }
    COMBOBOXEXITEM* GetRecord() { return &m_record; }

private:
    COMBOBOXEXITEM m_record{};
};

// One cell of a list control.
class ListItem : public UIItem {
public:
    ListItem();
    KvResult SetParam(LPARAM value) override;
    KvResult SetPosition(std::int32_t item, std::int32_t sub_item) override;
    KvResult SetTextAndImage(const std::string& text, std::int32_t image) override;
    void SetIndex(std::int32_t index) override {
        m_record.iItem = index;
        IndexChanged();
    }
    std::int32_t GetIndex() const override { return m_record.iItem; }
    LVITEM* GetRecord() { return &m_record; }

private:
    LVITEM m_record{};
};
