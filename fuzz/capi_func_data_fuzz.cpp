// FUZZ_LIBRARIES: kv_capi
// Arbitrary text is parsed as XML and read as a CAPIFuncData record, written,
// and read again: nothing may read outside a buffer, and the second writing
// must equal the first.

#include "capi/capi_func_data.h"
#include "core/xml_document.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

namespace {

bool WriteRecord(CAPIFuncData& record, std::string& out) {
    XmlDocument document;
    XmlNode* root = document.GetRoot();
    if (root == nullptr || record.WriteXml(&document, root) != KV_OK)
        return false;
    return document.GetText(out) == KV_OK;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    XmlDocument document;
    if (document.Parse(std::string_view(reinterpret_cast<const char*>(data), size)) != KV_OK)
        return 0;
    CAPIFuncData first;
    first.ReadXml(document.GetRoot());
    std::string first_text;
    if (!WriteRecord(first, first_text))
        std::abort();

    XmlDocument again;
    if (again.Parse(first_text) != KV_OK)
        std::abort();
    CAPIFuncData second;
    second.ReadXml(again.GetRoot());
    std::string second_text;
    if (!WriteRecord(second, second_text) || second_text != first_text)
        std::abort();
    return 0;
}
