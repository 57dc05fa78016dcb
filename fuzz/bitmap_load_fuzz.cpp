// FUZZ_LIBRARIES: kv_controls
// Arbitrary bytes as a plain or packed bitmap file or resource (the first
// byte chooses the loader): a load either fails leaving no buffer behind or
// gives a bitmap of an accepted size.

#include "controls/kv_bitmap.h"
#include "platform/resources.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

namespace {

[[noreturn]] void Fail(const char* what) {
    std::fprintf(stderr, "%s\n", what);
    std::abort();
}

const std::string& FilePath() {
    static const std::string path =
        "/tmp/kv_bitmap_load_fuzz_" + std::to_string(::getpid()) + ".bmp";
    return path;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0)
        return 0;
    const int loader = data[0] & 3;
    const std::string bytes(reinterpret_cast<const char*>(data + 1), size - 1);
    CDC dc;
    dc.CreateCompatibleDC(nullptr);
    CKvBitmap bitmap;
    KvResult result = KV_OK;
    if (loader < 2) {
        if (std::FILE* file = std::fopen(FilePath().c_str(), "wb")) {
            std::fwrite(bytes.data(), 1, bytes.size(), file);
            std::fclose(file);
        }
        result =
            loader == 0 ? bitmap.LoadFile(FilePath(), &dc) : bitmap.LoadPackedFile(FilePath(), &dc);
    } else {
        RegisterResource(KV_RT_BITMAP, 1, bytes);
        result = loader == 2 ? bitmap.LoadResourceBitmap(KV_RT_BITMAP_TYPE, 1, &dc)
                             : bitmap.LoadPackedResource(KV_RT_BITMAP_TYPE, 1, &dc);
    }
    if (bitmap.GetDataSize() != 0 || bitmap.GetPixelBufferCapacity() != 0)
        Fail("buffer left after a load");
    if (result == KV_OK && !bitmap.m_hObject)
        Fail("success without a bitmap");
    if (result == KV_OK && (bitmap.GetWidth() < 1 || bitmap.GetWidth() > kKvBitmapMaxSide ||
                            bitmap.GetHeight() < 1 || bitmap.GetHeight() > kKvBitmapMaxSide))
        Fail("size out of range");
    dc.DeleteDC();
    return 0;
}
