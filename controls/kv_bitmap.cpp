#include "controls/kv_bitmap.h"

#include "platform/resources.h"
#include "platform/text.h"

#include <cstring>
#include <filesystem>
#include <string>
#include <system_error>

namespace {

constexpr std::size_t kFileHeaderSize = 14;
constexpr std::size_t kInfoHeaderSize = 40;
constexpr std::size_t kPackedTableSize = 24;

std::uint32_t ReadU32(const std::vector<std::uint8_t>& data, std::size_t offset) {
    return static_cast<std::uint32_t>(data[offset]) |
           static_cast<std::uint32_t>(data[offset + 1]) << 8 |
           static_cast<std::uint32_t>(data[offset + 2]) << 16 |
           static_cast<std::uint32_t>(data[offset + 3]) << 24;
}

std::string ResourceTypeName(std::uint32_t type) {
    if (type == KV_RT_BITMAP_TYPE)
        return KV_RT_BITMAP;
    return "#" + std::to_string(type);
}

} // namespace

std::string KvResolveFileName(std::string_view path) {
    namespace fs = std::filesystem;
    const fs::path native(ToNativePath(path));
    std::error_code error;
    if (fs::is_regular_file(native, error))
        return native.string();
    fs::path folder = native.parent_path();
    if (folder.empty())
        folder = ".";
    const std::string wanted = native.filename().string();
    std::string found;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
        if (!it->is_regular_file(error) || !EqualsNoCase(it->path().filename().string(), wanted))
            continue;
        if (!found.empty())
            return {}; // two candidates: neither is the one
        found = it->path().string();
    }
    return found;
}

CKvBitmap::~CKvBitmap() {
    FreePixelBuffer();
    DeleteObject();
}

KvResult CKvBitmap::Fail(KvResult result) {
    m_data.clear();
    m_data.shrink_to_fit();
    m_bResourceHeld = false;
    m_nPackedStream = 0;
    FreePixelBuffer();
    m_nLastResult = result;
    return result;
}

void CKvBitmap::ClearFormat() {
    m_nWidth = m_nHeight = m_nBitCount = m_nRowStride = 0;
    m_nHeaderSize = 0;
}

KvResult CKvBitmap::SetFormat(const BITMAPINFOHEADER* header) {
    m_nLastResult = KV_OK;
    // Width or height 0 would let the tiling loops of the skinned windows run
    // for ever; a negative height (top-down) is not among the images we make.
    const bool accepted =
        header && header->biSize >= kInfoHeaderSize && header->biCompression == BI_RGB &&
        header->biWidth >= 1 && header->biWidth <= kKvBitmapMaxSide && header->biHeight >= 1 &&
        header->biHeight <= kKvBitmapMaxSide &&
        (header->biBitCount == 16 || header->biBitCount == 24 || header->biBitCount == 32);
    if (!accepted) {
        ClearFormat();
        m_nLastResult = KV_E_FAIL;
        return m_nLastResult;
    }
    m_nWidth = header->biWidth;
    m_nHeight = header->biHeight;
    m_nBitCount = header->biBitCount;
    m_nHeaderSize = header->biSize;
    m_nRowStride = (m_nWidth * (m_nBitCount / 8) + 3) / 4 * 4;
    return m_nLastResult;
}

bool CKvBitmap::ReadHeader(std::size_t offset, BITMAPINFOHEADER& header) const {
    if (m_data.size() < offset || m_data.size() - offset < kInfoHeaderSize)
        return false;
    std::memcpy(&header, m_data.data() + offset, kInfoHeaderSize);
    return true;
}

KvResult CKvBitmap::ReadFileData(std::string_view path) {
    if (path.empty())
        return KV_E_FAIL;
    const std::string resolved = KvResolveFileName(path);
    std::string bytes;
    const KvResult read =
        resolved.empty() ? KV_E_RESOURCE_NOT_FOUND : ReadWholeFile(resolved, bytes);
    if (read == KV_E_RESOURCE_NOT_FOUND)
        return KV_E_BITMAP_FILE_NOT_OPENED;
    if (read != KV_OK || bytes.empty())
        return KV_E_FAIL;
    m_data.assign(bytes.begin(), bytes.end());
    return KV_OK;
}

KvResult CKvBitmap::ReadResource(std::uint32_t type, std::uint32_t id) {
    m_nLastResult = KV_OK;
    std::string bytes;
    if (LoadResource(ResourceTypeName(type), id, bytes) != KV_OK) {
        m_nLastResult = KV_E_FAIL;
        return m_nLastResult;
    }
    m_data.assign(bytes.begin(), bytes.end());
    m_bResourceHeld = true;
    return m_nLastResult;
}

KvResult CKvBitmap::FreeResourceData() {
    m_nLastResult = KV_OK;
    if (m_bResourceHeld) {
        m_data.clear();
        m_data.shrink_to_fit();
        m_bResourceHeld = false;
    }
    return m_nLastResult;
}

KvResult CKvBitmap::CreateBitmap(CDC* pDC) {
    // A second load replaces the image; the wrapper takes no second handle.
    DeleteObject();
    if (!CreateCompatibleBitmap(pDC, m_nWidth, m_nHeight))
        return KV_E_FAIL;
    return KV_OK;
}

void CKvBitmap::CopyPixels(CDC* pDC, const std::uint8_t* bits, std::size_t size) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = kInfoHeaderSize;
    info.bmiHeader.biWidth = m_nWidth;
    info.bmiHeader.biHeight = m_nHeight;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = static_cast<WORD>(m_nBitCount);
    info.bmiHeader.biCompression = BI_RGB;
    ::SetDIBits(pDC ? pDC->GetSafeHdc() : nullptr, static_cast<HBITMAP>(m_hObject), 0,
                static_cast<UINT>(m_nHeight), bits, size, &info, DIB_RGB_COLORS);
}

// The pixels of a file follow at bfOffBits, those of a resource after the
// header and its colour table; both must hold every row.
KvResult CKvBitmap::LoadPlain(std::size_t headerOffset, bool fileForm, CDC* pDC) {
    BITMAPINFOHEADER header;
    if (!ReadHeader(headerOffset, header) || SetFormat(&header) != KV_OK)
        return Fail(KV_E_FAIL);
    std::uint64_t pixelOffset = 0;
    if (fileForm)
        pixelOffset = ReadU32(m_data, 10);
    else
        pixelOffset = static_cast<std::uint64_t>(header.biSize) +
                      static_cast<std::uint64_t>(header.biClrUsed) * 4;
    const std::uint64_t size =
        static_cast<std::uint64_t>(m_nRowStride) * static_cast<std::uint64_t>(m_nHeight);
    if (pixelOffset < headerOffset + kInfoHeaderSize || pixelOffset > m_data.size() ||
        m_data.size() - pixelOffset < size) {
        ClearFormat();
        return Fail(KV_E_FAIL);
    }
    if (CreateBitmap(pDC) != KV_OK)
        return Fail(KV_E_FAIL);
    CopyPixels(pDC, m_data.data() + pixelOffset, static_cast<std::size_t>(size));
    return Fail(KV_OK);
}

KvResult CKvBitmap::LoadPacked(std::size_t headerOffset, CDC* pDC) {
    BITMAPINFOHEADER header;
    // The decoder steps 3 bytes a pixel: other depths would overrun or skew rows.
    if (!ReadHeader(headerOffset, header) || SetFormat(&header) != KV_OK || m_nBitCount != 24) {
        ClearFormat();
        return Fail(KV_E_FAIL);
    }
    if (CreateBitmap(pDC) != KV_OK)
        return Fail(KV_E_FAIL);
    m_nPackedStream = headerOffset + kInfoHeaderSize;
    m_nPixelSize = static_cast<std::size_t>(m_nRowStride) * static_cast<std::size_t>(m_nHeight);
    const KvResult decoded = DecodePixels(FALSE);
    if (decoded == KV_OK)
        CopyPixels(pDC, m_pixels.data(), m_nPixelSize);
    return Fail(decoded);
}

KvResult CKvBitmap::LoadFile(std::string_view path, CDC* pDC) {
    m_nLastResult = KV_OK;
    const KvResult read = ReadFileData(path);
    if (read != KV_OK)
        return Fail(read);
    return LoadPlain(kFileHeaderSize, true, pDC);
}

KvResult CKvBitmap::LoadPackedFile(std::string_view path, CDC* pDC) {
    m_nLastResult = KV_OK;
    const KvResult read = ReadFileData(path);
    if (read != KV_OK)
        return Fail(read);
    return LoadPacked(kFileHeaderSize + kInfoHeaderSize, pDC);
}

KvResult CKvBitmap::LoadResourceBitmap(std::uint32_t type, std::uint32_t id, CDC* pDC) {
    m_nLastResult = KV_OK;
    if (ReadResource(type, id) != KV_OK)
        return Fail(KV_E_FAIL);
    return LoadPlain(0, false, pDC);
}

KvResult CKvBitmap::LoadPackedResource(std::uint32_t type, std::uint32_t id, CDC* pDC) {
    m_nLastResult = KV_OK;
    if (ReadResource(type, id) != KV_OK)
        return Fail(KV_E_FAIL);
    return LoadPacked(kInfoHeaderSize, pDC);
}

void CKvBitmap::FreePixelBuffer() {
    m_pixels.clear();
    m_pixels.shrink_to_fit();
    m_nPixelCapacity = 0;
}

bool CKvBitmap::ReadBits(BitCursor& cursor, int n, std::uint32_t& value) {
    const std::size_t left = static_cast<std::size_t>(cursor.end - cursor.pos) * 8 -
                             static_cast<std::size_t>(cursor.bit);
    if (cursor.pos >= cursor.end || left < static_cast<std::size_t>(n))
        return false;
    value = 0;
    for (int i = 0; i < n; ++i) {
        value |= static_cast<std::uint32_t>((*cursor.pos >> cursor.bit) & 1u) << i;
        if (++cursor.bit == 8) {
            cursor.bit = 0;
            ++cursor.pos;
        }
    }
    return true;
}

void CKvBitmap::DecodePlane(std::span<std::uint8_t> destination,
                            std::span<const std::uint8_t> plane, std::uint32_t runCount,
                            int width) {
    if (width <= 0)
        return;
    BitCursor cursor{plane.data(), plane.data() + plane.size(), 0};
    const std::size_t pad = (4 - (3 * static_cast<std::size_t>(width)) % 4) % 4;
    std::size_t at = 0;
    int column = width;
    for (std::uint32_t run = 0; run < runCount; ++run) {
        std::uint32_t bit = 0;
        std::uint32_t length = 1;
        if (!ReadBits(cursor, 1, bit))
            return;
        if (bit != 0) {
            std::uint32_t wide = 0;
            std::uint32_t extra = 0;
            if (!ReadBits(cursor, 1, wide) || !ReadBits(cursor, wide ? 7 : 4, extra))
                return;
            length = extra + (wide ? 18u : 2u);
        }
        std::uint32_t sample = 0;
        if (!ReadBits(cursor, 8, sample))
            return;
        for (std::uint32_t i = 0; i < length; ++i) {
            if (at >= destination.size())
                return;
            destination[at] = static_cast<std::uint8_t>(sample);
            at += 3;
            if (--column == 0) {
                at += pad;
                column = width;
            }
        }
    }
}

KvResult CKvBitmap::DecodePixels(BOOL freeAfter) {
    m_nLastResult = KV_OK;
    if (m_pixels.size() < m_nPixelSize) {
        try {
            m_pixels.assign(m_nPixelSize, 0);
        } catch (const std::bad_alloc&) {
            FreePixelBuffer();
            m_nLastResult = KV_E_OUT_OF_MEMORY;
            return m_nLastResult;
        }
    }
    m_nPixelCapacity = m_nPixelSize;
    std::fill(m_pixels.begin(), m_pixels.end(), std::uint8_t{0});
    const std::size_t table = m_nPackedStream;
    if (m_data.size() < table || m_data.size() - table < kPackedTableSize) {
        m_nLastResult = KV_E_FAIL;
        return m_nLastResult;
    }
    std::uint64_t planeStart = table + kPackedTableSize;
    const std::span<std::uint8_t> pixels(m_pixels.data(), m_nPixelSize);
    for (std::size_t plane = 0; plane < 3; ++plane) {
        const std::uint64_t length = ReadU32(m_data, table + plane * 8);
        const std::uint32_t runs = ReadU32(m_data, table + plane * 8 + 4);
        if (planeStart + length > m_data.size()) {
            m_nLastResult = KV_E_FAIL;
            return m_nLastResult;
        }
        DecodePlane(plane < pixels.size() ? pixels.subspan(plane) : std::span<std::uint8_t>{},
                    std::span<const std::uint8_t>(m_data.data() + planeStart,
                                                  static_cast<std::size_t>(length)),
                    runs, m_nWidth);
        planeStart += length;
    }
    if (freeAfter)
        FreePixelBuffer();
    return m_nLastResult;
}
