// FUZZ_LIBRARIES: kv_controls
// Description texts of the combo box and the list control: the bytes are a
// "textentries" line and a "headernamelist" with a control width. Each line
// splits into an identifier and a text that come from the line; every column
// width lies between 0 and the control's width. The same text fills the item
// collections as a list of "label#image" cells: one item per cell, each with
// its label and its row and column, found again by its text, and entries
// that are added, looked up and removed keep their rows in order.

#include "controls/item_collection_map.h"
#include "controls/kv_ui_combo_box_ex.h"
#include "controls/kv_ui_list_ctrl.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

[[noreturn]] void Fail(const char* what) {
    std::fprintf(stderr, "%s\n", what);
    std::abort();
}

void CheckItems(ItemCollection& entry, const BoundedStringList& cells) {
    if (entry.GetCount() != cells.GetCount())
        Fail("one item per cell");
    BoundedStringList::Position position = BoundedStringList::kNoPosition;
    cells.GetHeadPosition(position);
    std::string cell;
    std::string label;
    std::int32_t image = 0;
    for (std::size_t column = 0; cells.GetNext(cell, position); ++column) {
        UIItem* item = nullptr;
        if (entry.GetItemAt(item, column) != KV_OK || item == nullptr)
            Fail("an item missing");
        UIItem::SplitLabel(cell, label, image);
        if (item->GetText() != label || label.size() > cell.size())
            Fail("an item's text is not its cell's label");
        if (std::string(item->GetTextPointer()) != label.substr(0, label.find('\0')))
            Fail("the record's text is not the item's");
        UIItem* found = nullptr;
        if (entry.FindItemByText(found, label) != KV_OK || found == nullptr || found->GetText() != label)
            Fail("an item not found by its text");
    }
}

void FillCollections(const std::string& text, std::uint8_t kindByte) {
    const std::int32_t kind = (kindByte & 1) != 0 ? kComboItemKind : kListItemKind;
    BoundedStringList cells;
    cells.SetFromText(text);
    ItemCollection entry;
    entry.SetFromTextList(7, "id", cells, kind);
    CheckItems(entry, cells);
    BoundedStringList again;
    again.SetFromText(text.substr(text.size() / 2));
    entry.SetItemTexts(again);
    entry.SetFromText(3, "one", text, kind);
    if (entry.GetCount() != 1)
        Fail("one text makes one item");

    ItemCollectionMap map(kind);
    ItemCollection* added = nullptr;
    const std::size_t rows = 1 + kindByte % 5;
    for (std::size_t row = 0; row < rows; ++row)
        map.AddEntryFromTextList(added, "r" + std::to_string(row), cells);
    if (map.AddEntryFromText(added, "r0", text) != KV_E_ALREADY_PRESENT || added != nullptr)
        Fail("an identifier added twice");
    ItemCollection* found = nullptr;
    if (cells.GetCount() > 0) {
        UIItem* first = nullptr;
        map.Lookup(found, "r0");
        if (found == nullptr || found->GetItemAt(first, 0) != KV_OK)
            Fail("an entry lost");
        ItemCollection* byText = nullptr;
        if (map.FindEntryByItemText(byText, first->GetText()) != KV_OK || byText == nullptr)
            Fail("an entry not found by an item's text");
    }
    map.Lookup(found, "r0");
    if (found != nullptr)
        map.RemoveEntry(found);
    if (map.GetCount() != rows - 1 || found != nullptr)
        Fail("a removed entry stays");
    // The entries after the removed one moved up: their rows are 0..n-1.
    if (cells.GetCount() > 0) {
        std::vector<bool> seen(map.GetCount(), false);
        ItemCollectionMap::Position position;
        ItemCollection* entry = nullptr;
        map.GetStartPosition(position);
        while (map.GetNextEntry(entry, position)) {
            UIItem* first = nullptr;
            if (entry == nullptr || entry->GetItemAt(first, 0) != KV_OK)
                Fail("an entry without its first item");
            const std::int32_t index = first->GetIndex();
            if (index < 0 || static_cast<std::size_t>(index) >= seen.size() || seen[static_cast<std::size_t>(index)])
                Fail("rows out of order after a removal");
            seen[static_cast<std::size_t>(index)] = true;
        }
    }
    map.RemoveAll();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2)
        return 0;
    const std::int32_t width = static_cast<std::int32_t>(data[0]) * 8 + data[1];
    const std::string text(reinterpret_cast<const char*>(data + 2), size - 2);
    std::string identifier;
    std::string shown;
    KvSplitTextEntry(text, identifier, shown);
    if (identifier.size() > text.size() || shown.size() > text.size())
        Fail("a split piece is longer than its line");
    BoundedStringList names;
    names.SetFromText(text);
    const std::vector<KvColumnLayout> columns = KvLayoutColumns(names, width);
    if (columns.size() != names.GetCount())
        Fail("one column per header name");
    for (const KvColumnLayout& column : columns)
        if (column.width < 0 || column.width > width)
            Fail("a column width outside the control");
    FillCollections(text, data[0]);
    return 0;
}
