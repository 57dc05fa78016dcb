// FUZZ_LIBRARIES: kv_controls
// Description texts of the combo box and the list control: the bytes are a
// "textentries" line and a "headernamelist" with a control width. Each line
// splits into an identifier and a text that come from the line; every column
// width lies between 0 and the control's width.

#include "controls/kv_ui_combo_box_ex.h"
#include "controls/kv_ui_list_ctrl.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

[[noreturn]] void Fail(const char* what) {
    std::fprintf(stderr, "%s\n", what);
    std::abort();
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
    return 0;
}
