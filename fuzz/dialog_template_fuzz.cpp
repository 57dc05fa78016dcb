// FUZZ_LIBRARIES: kv_mfc
// Arbitrary bytes as a dialog template: the reader either refuses them or
// reads a template whose fields it reads again identically from the same
// bytes followed by junk, and which has no items; the size conversion of
// any template stays within the 16-bit unit range scaled.

#include "platform/mfc/mfc_dialog.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

void Check(bool condition, const char* what) {
    if (condition)
        return;
    std::fprintf(stderr, "%s\n", what);
    std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // An exact-size copy, so reading past the end is caught.
    std::string bytes(reinterpret_cast<const char*>(data), size);
    DialogTemplate parsed;
    if (!ParseDialogTemplate(bytes.data(), bytes.size(), parsed))
        return 0;
    Check(parsed.item_count == 0, "a template with items was accepted");
    std::string longer = bytes + "junk";
    DialogTemplate again;
    Check(ParseDialogTemplate(longer.data(), longer.size(), again), "trailing bytes made it fail");
    Check(again.style == parsed.style && again.title == parsed.title && again.face == parsed.face &&
              again.cx == parsed.cx && again.cy == parsed.cy,
          "trailing bytes changed the reading");
    const SIZE pixels = DialogUnitsToPixels(parsed.cx, parsed.cy);
    Check(pixels.cx >= -49152 && pixels.cx <= 49152 && pixels.cy >= -53248 && pixels.cy <= 53248,
          "unit conversion out of range");
    return 0;
}
