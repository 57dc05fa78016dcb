#pragma once
// The images of the skinned windows: an ordinary BI_RGB bitmap or the packed
// form (run-length coded colour planes of a 24-bit image), from a file or
// from a bitmap resource, made into a bitmap compatible with a device.

#include "platform/mfc/mfc_gdi.h"
#include "platform/result_codes.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

// Resource type of bitmaps, as the skinned controls pass it.
inline constexpr std::uint32_t KV_RT_BITMAP_TYPE = 2;
inline constexpr const char* KV_RT_BITMAP = "RT_BITMAP";

// The largest width and height accepted.
inline constexpr int kKvBitmapMaxSide = 1000;

class CKvBitmap : public CBitmap {
public:
    CKvBitmap() = default;
    ~CKvBitmap() override;

    KvResult LoadFile(std::string_view path, CDC* pDC);
    KvResult LoadPackedFile(std::string_view path, CDC* pDC);
    KvResult LoadResourceBitmap(std::uint32_t type, std::uint32_t id, CDC* pDC);
    KvResult LoadPackedResource(std::uint32_t type, std::uint32_t id, CDC* pDC);

    int GetWidth() const { return m_nWidth; }
    int GetHeight() const { return m_nHeight; }
    int GetBitCount() const { return m_nBitCount; }
    int GetRowStride() const { return m_nRowStride; }
    std::uint32_t GetHeaderSize() const { return m_nHeaderSize; }
    KvResult GetLastResult() const { return m_nLastResult; }
    // What a load holds only while it runs.
    std::size_t GetDataSize() const { return m_data.size(); }
    std::size_t GetPixelBufferCapacity() const { return m_nPixelCapacity; }

    // Accepts a BI_RGB header of at least 40 bytes, 16, 24 or 32 bits and
    // 1 to 1000 pixels each way; anything else clears the format.
    KvResult SetFormat(const BITMAPINFOHEADER* header);
    KvResult ReadResource(std::uint32_t type, std::uint32_t id);
    KvResult FreeResourceData();
    // Decodes the packed stream into the pixel buffer (pixel size bytes).
    KvResult DecodePixels(BOOL freeAfter);

    // Bit reader over one plane: bits of a byte from the least significant.
    struct BitCursor {
        const std::uint8_t* pos = nullptr;
        const std::uint8_t* end = nullptr;
        int bit = 0;
    };
    // False, and nothing read, when fewer than n bits are left.
    static bool ReadBits(BitCursor& cursor, int n, std::uint32_t& value);
    // Writes the plane's samples every 3 bytes from destination[0], skipping
    // the row padding of a 24-bit image; stops at the end of the plane or of
    // the destination.
    static void DecodePlane(std::span<std::uint8_t> destination,
                            std::span<const std::uint8_t> plane, std::uint32_t runCount, int width);

private:
    // Header at the given offset of the data; false when it is cut off.
    bool ReadHeader(std::size_t offset, BITMAPINFOHEADER& header) const;
    KvResult ReadFileData(std::string_view path);
    KvResult LoadPlain(std::size_t headerOffset, bool fileForm, CDC* pDC);
    KvResult LoadPacked(std::size_t headerOffset, CDC* pDC);
    void ClearFormat();
    KvResult CreateBitmap(CDC* pDC);
    void CopyPixels(CDC* pDC, const std::uint8_t* bits, std::size_t size);
    void FreePixelBuffer();
    KvResult Fail(KvResult result);

    KvResult m_nLastResult = KV_OK;
    bool m_bResourceHeld = false;
    std::vector<std::uint8_t> m_data;
    std::size_t m_nPackedStream = 0; // offset into the data while a packed load runs
    std::vector<std::uint8_t> m_pixels;
    std::size_t m_nPixelCapacity = 0;
    std::size_t m_nPixelSize = 0;
    int m_nWidth = 0;
    int m_nHeight = 0;
    int m_nBitCount = 0;
    std::uint32_t m_nHeaderSize = 0;
    int m_nRowStride = 0;
};

// Finds a file under its exact native name, or else the one file of its
// folder whose name matches without regard to ASCII case. Empty when there is
// none or more than one.
std::string KvResolveFileName(std::string_view path);
