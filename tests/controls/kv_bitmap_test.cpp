#include "controls/kv_bitmap.h"

#include "platform/resources.h"
#include "tests/controls/bmp_writer.h"
#include "tests/support/gui_test_support.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

std::uint32_t Sample(int x, int y) {
    return static_cast<std::uint32_t>((x * 40 + 10) << 16 | (y * 30 + 5) << 8 |
                                      (x * 7 + y * 11 + 1));
}

// What a 16-bit (5-5-5) image gives back: each channel's 5 bits widened by
// repeating their top bits.
std::uint32_t Sample16(int x, int y) {
    std::uint32_t out = 0;
    for (int shift : {0, 8, 16}) {
        const std::uint32_t five = (Sample(x, y) >> (shift + 3)) & 0x1Fu;
        out |= (five << 3 | five >> 2) << shift;
    }
    return out;
}

class BitmapTest : public GdiTest {
protected:
    void SetUp() override {
        GdiTest::SetUp();
        dir_ = fs::temp_directory_path() / ("kv_bitmap_test_" + std::to_string(::getpid()));
        fs::create_directories(dir_);
        dc_.CreateCompatibleDC(nullptr);
    }
    void TearDown() override {
        dc_.DeleteDC();
        UnregisterAllResources();
        fs::remove_all(dir_);
        GdiTest::TearDown();
    }
    std::string Write(const std::string& name, const std::string& bytes) {
        const fs::path path = dir_ / name;
        std::ofstream(path, std::ios::binary) << bytes;
        return path.string();
    }
    static std::vector<std::uint32_t> Read(const CKvBitmap& bitmap) {
        std::vector<std::uint32_t> pixels(
            static_cast<std::size_t>(bitmap.GetWidth() * bitmap.GetHeight()));
        GetBitmapBits(static_cast<HBITMAP>(bitmap.m_hObject), static_cast<LONG>(pixels.size() * 4),
                      pixels.data());
        return pixels;
    }
    template <class Pixel>
    static void ExpectImage(const CKvBitmap& bitmap, int width, int height, Pixel pixel) {
        ASSERT_EQ(bitmap.GetWidth(), width);
        ASSERT_EQ(bitmap.GetHeight(), height);
        const auto pixels = Read(bitmap);
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                EXPECT_EQ(pixels[static_cast<std::size_t>(y * width + x)] & 0xFFFFFFu, pixel(x, y))
                    << "at " << x << "," << y;
    }

    fs::path dir_;
    CDC dc_;
};

TEST_F(BitmapTest, PlainImagesLoadPixelExactFromFileAndResource) {
    struct Case {
        int bits;
        int width;
        int stride;
    };
    for (const Case c : {Case{24, 3, 12}, Case{24, 4, 12}, Case{32, 3, 12}, Case{16, 3, 8}}) {
        SCOPED_TRACE(c.bits);
        const auto pick = c.bits == 16 ? Sample16 : Sample;
        const std::string pixels = bmp::Pixels(c.width, 2, c.bits, pick);
        const bmp::Header header{40, c.width, 2, static_cast<std::uint16_t>(c.bits)};
        CKvBitmap from_file;
        EXPECT_EQ(from_file.LoadFile(Write("a.bmp", bmp::File(header, pixels)), &dc_), KV_OK);
        EXPECT_EQ(from_file.GetRowStride(), c.stride);
        ExpectImage(from_file, c.width, 2, pick);
        EXPECT_EQ(from_file.GetDataSize(), 0u);
        // Loading again replaces the image (the object balance would show a leak).
        EXPECT_EQ(from_file.LoadFile(Write("a.bmp", bmp::File(header, pixels)), &dc_), KV_OK);

        RegisterResource(KV_RT_BITMAP, 7, bmp::InfoHeader(header) + pixels);
        CKvBitmap from_resource;
        EXPECT_EQ(from_resource.LoadResourceBitmap(KV_RT_BITMAP_TYPE, 7, &dc_), KV_OK);
        ExpectImage(from_resource, c.width, 2, pick);
    }
}

TEST_F(BitmapTest, LargerHeadersAndColourTablesAreSkipped) {
    const std::string pixels = bmp::Pixels(3, 2, 24, Sample);
    CKvBitmap file;
    EXPECT_EQ(file.LoadFile(Write("v5.bmp", bmp::File({124, 3, 2, 24}, pixels)), &dc_), KV_OK);
    EXPECT_EQ(file.GetHeaderSize(), 124u);
    ExpectImage(file, 3, 2, Sample);

    RegisterResource(KV_RT_BITMAP, 8,
                     bmp::InfoHeader({40, 3, 2, 24, 0, 2}) + std::string(8, '\x55') + pixels);
    CKvBitmap resource;
    EXPECT_EQ(resource.LoadResourceBitmap(KV_RT_BITMAP_TYPE, 8, &dc_), KV_OK);
    ExpectImage(resource, 3, 2, Sample);
}

TEST_F(BitmapTest, MalformedFilesAreRefusedWithoutABitmap) {
    const std::string good = bmp::File({40, 3, 2, 24}, bmp::Pixels(3, 2, 24, Sample));
    std::vector<std::pair<std::string, std::string>> cases;
    for (std::size_t cut : {std::size_t{1}, std::size_t{13}, std::size_t{14}, std::size_t{30},
                            std::size_t{53}, std::size_t{54}, good.size() - 1})
        cases.emplace_back("cut at " + std::to_string(cut), good.substr(0, cut));
    const std::string pixels = bmp::Pixels(3, 2, 24, Sample);
    cases.emplace_back("1001 wide", bmp::File({40, 1001, 1, 24}, std::string(3004, '\0')));
    cases.emplace_back("0 wide", bmp::File({40, 0, 2, 24}, pixels));
    cases.emplace_back("0 high", bmp::File({40, 3, 0, 24}, pixels));
    cases.emplace_back("negative height", bmp::File({40, 3, -2, 24}, pixels));
    cases.emplace_back("8 bpp", bmp::File({40, 3, 2, 8}, pixels));
    cases.emplace_back("BI_BITFIELDS", bmp::File({40, 3, 2, 24, 3}, pixels));
    cases.emplace_back("short biSize", bmp::File({12, 3, 2, 24}, pixels));
    std::string far = good;
    far[10] = '\x7F';
    cases.emplace_back("bfOffBits past the end", far);
    std::string inside = good;
    inside[10] = 20;
    cases.emplace_back("bfOffBits inside the header", inside);
    for (const auto& [what, bytes] : cases) {
        SCOPED_TRACE(what);
        CKvBitmap bitmap;
        EXPECT_EQ(bitmap.LoadFile(Write("bad.bmp", bytes), &dc_), KV_E_FAIL);
        EXPECT_EQ(bitmap.m_hObject, nullptr);
        EXPECT_EQ(bitmap.GetWidth(), 0);
        EXPECT_EQ(bitmap.GetDataSize(), 0u);

        RegisterResource(KV_RT_BITMAP, 9, bytes.size() > 14 ? bytes.substr(14) : bytes);
        CKvBitmap resource;
        const KvResult result = resource.LoadResourceBitmap(KV_RT_BITMAP_TYPE, 9, &dc_);
        if (result == KV_OK) // resources have no bfOffBits: those two cases are fine there
            EXPECT_TRUE(what.starts_with("bfOffBits")) << what;
        else
            EXPECT_EQ(result, KV_E_FAIL);
    }
}

TEST_F(BitmapTest, FileErrorsAndCaseInsensitiveNames) {
    CKvBitmap bitmap;
    EXPECT_EQ(bitmap.LoadFile("", &dc_), KV_E_FAIL);
    EXPECT_EQ(bitmap.LoadFile((dir_ / "missing.bmp").string(), &dc_), KV_E_BITMAP_FILE_NOT_OPENED);
    EXPECT_EQ(bitmap.LoadFile(Write("empty.bmp", ""), &dc_), KV_E_FAIL);
    EXPECT_EQ(bitmap.LoadResourceBitmap(KV_RT_BITMAP_TYPE, 99, &dc_), KV_E_FAIL);

    Write("Skin.BMP", bmp::File({40, 3, 2, 24}, bmp::Pixels(3, 2, 24, Sample)));
    CKvBitmap found;
    EXPECT_EQ(found.LoadFile((dir_ / "skin.bmp").string(), &dc_), KV_OK);
    ExpectImage(found, 3, 2, Sample);
    // Two candidates: neither is taken.
    Write("SKIN.bmp", "x");
    CKvBitmap ambiguous;
    EXPECT_EQ(ambiguous.LoadFile((dir_ / "skin.bmp").string(), &dc_), KV_E_BITMAP_FILE_NOT_OPENED);
}

// Widths and heights whose runs cross row ends.
TEST_F(BitmapTest, PackedImagesDecodeToTheSource) {
    const auto runs = [](int x, int y) {
        // Runs of 1, 2, 17, 18, 20 and 145 along the row-major order.
        const int i = y * 13 + x;
        static const int lengths[] = {1, 2, 17, 18, 20, 145};
        int at = 0;
        for (int k = 0;; k = (k + 1) % 6) {
            at += lengths[k];
            if (i < at)
                return static_cast<std::uint32_t>(0x102030u * static_cast<std::uint32_t>(k + 1)) &
                       0xFFFFFFu;
        }
    };
    const std::string body = bmp::PackedBodyOf(13, 17, runs);
    CKvBitmap file;
    EXPECT_EQ(file.LoadPackedFile(Write("p.bmp", bmp::PackedFile(bmp::InfoHeader({40, 13, 17, 24}),
                                                                 {40, 13, 17, 24}, body)),
                                  &dc_),
              KV_OK);
    ExpectImage(file, 13, 17, runs);
    EXPECT_EQ(file.GetPixelBufferCapacity(), 0u);

    // A garbage first header does not matter.
    RegisterResource(KV_RT_BITMAP, 3,
                     bmp::PackedResource(std::string(40, '\xEE'), {40, 13, 17, 24}, body));
    CKvBitmap resource;
    EXPECT_EQ(resource.LoadPackedResource(KV_RT_BITMAP_TYPE, 3, &dc_), KV_OK);
    ExpectImage(resource, 13, 17, runs);
}

TEST_F(BitmapTest, BitPatternsOfRuns) {
    struct Case {
        int run;
        std::vector<std::pair<std::uint32_t, int>> codes;
    };
    const Case cases[] = {{20, {{1, 1}, {1, 1}, {2, 7}, {0xAB, 8}}},
                          {1, {{0, 1}, {0xAB, 8}}},
                          {17, {{1, 1}, {0, 1}, {15, 4}, {0xAB, 8}}}};
    for (const Case& c : cases) {
        bmp::BitWriter expected;
        for (const auto& [value, bits] : c.codes)
            expected.Write(value, bits);
        const auto plane =
            bmp::EncodePlane(std::vector<std::uint8_t>(static_cast<std::size_t>(c.run), 0xAB));
        EXPECT_EQ(plane.bits, expected.bytes()) << c.run;
        std::vector<std::uint8_t> out(static_cast<std::size_t>(c.run) * 3 + 8, 0);
        CKvBitmap::DecodePlane(
            out, {reinterpret_cast<const std::uint8_t*>(plane.bits.data()), plane.bits.size()},
            plane.runs, 1000);
        for (int i = 0; i < c.run; ++i)
            EXPECT_EQ(out[static_cast<std::size_t>(i) * 3], 0xAB);
        EXPECT_EQ(out[static_cast<std::size_t>(c.run) * 3], 0);
    }
    // The first bit of a byte is its least significant one.
    const std::uint8_t byte[] = {0b00000110};
    CKvBitmap::BitCursor cursor{byte, byte + 1, 0};
    std::uint32_t value = 0;
    ASSERT_TRUE(CKvBitmap::ReadBits(cursor, 4, value));
    EXPECT_EQ(value, 6u);
    EXPECT_FALSE(CKvBitmap::ReadBits(cursor, 5, value));
}

TEST_F(BitmapTest, DamagedPackedStreamsStayInBounds) {
    const auto grey = [](int, int) { return 0x404040u; };
    const bmp::Header h{40, 3, 2, 24};
    // Short plane: blue covers two samples, the rest stays 0.
    {
        const bmp::Plane planes[3] = {bmp::EncodePlane({0x11, 0x11}),
                                      bmp::EncodePlane(std::vector<std::uint8_t>(6, 0x22)),
                                      bmp::EncodePlane(std::vector<std::uint8_t>(6, 0x33))};
        RegisterResource(KV_RT_BITMAP, 4,
                         bmp::PackedResource(bmp::InfoHeader(h), h, bmp::PackedBody(planes)));
        CKvBitmap bitmap;
        EXPECT_EQ(bitmap.LoadPackedResource(KV_RT_BITMAP_TYPE, 4, &dc_), KV_OK);
        const auto pixels = Read(bitmap);
        // Bottom row holds the first samples.
        EXPECT_EQ(pixels[3] & 0xFFFFFFu, 0x332211u);
        EXPECT_EQ(pixels[5] & 0xFFFFFFu, 0x332200u);
        EXPECT_EQ(pixels[0] & 0xFFFFFFu, 0x332200u);
    }
    // Over-long runs and run counts beyond the plane's bits.
    {
        bmp::Plane big = bmp::EncodePlane(std::vector<std::uint8_t>(145, 0x7F));
        big.runs = 1000000;
        const bmp::Plane planes[3] = {big, big, big};
        RegisterResource(KV_RT_BITMAP, 5,
                         bmp::PackedResource(bmp::InfoHeader(h), h, bmp::PackedBody(planes)));
        CKvBitmap bitmap;
        EXPECT_EQ(bitmap.LoadPackedResource(KV_RT_BITMAP_TYPE, 5, &dc_), KV_OK);
        ExpectImage(bitmap, 3, 2, [](int, int) { return 0x7F7F7Fu; });
    }
    // Plane lengths beyond the data, a cut table, other depths.
    std::string body = bmp::PackedBodyOf(3, 2, grey);
    std::string long_plane = body;
    long_plane[16] = '\x7F';
    const std::pair<std::string, std::string> bad[] = {
        {"plane length", bmp::PackedResource(bmp::InfoHeader(h), h, long_plane)},
        {"cut table", bmp::PackedResource(bmp::InfoHeader(h), h, body.substr(0, 20))},
        {"16 bits", bmp::PackedResource(bmp::InfoHeader(h), {40, 3, 2, 16}, body)},
        {"32 bits", bmp::PackedResource(bmp::InfoHeader(h), {40, 3, 2, 32}, body)},
        {"no second header", bmp::InfoHeader(h)},
    };
    for (const auto& [what, bytes] : bad) {
        SCOPED_TRACE(what);
        RegisterResource(KV_RT_BITMAP, 6, bytes);
        CKvBitmap bitmap;
        EXPECT_EQ(bitmap.LoadPackedResource(KV_RT_BITMAP_TYPE, 6, &dc_), KV_E_FAIL);
        EXPECT_EQ(bitmap.GetPixelBufferCapacity(), 0u);
        EXPECT_EQ(bitmap.GetDataSize(), 0u);
        CKvBitmap file;
        EXPECT_EQ(file.LoadPackedFile(Write("bad.bmp", bmp::FileHeader(0, 0) + bytes), &dc_),
                  KV_E_FAIL);
    }
}

// KV_WRITE_FUZZ_SEEDS=<folder> writes the seed corpus of the bitmap fuzz target.
TEST_F(BitmapTest, FuzzSeeds) {
    const char* folder = std::getenv("KV_WRITE_FUZZ_SEEDS");
    if (!folder)
        GTEST_SKIP();
    // First byte chooses the loader, as the fuzz target reads it.
    const bmp::Header h{40, 5, 3, 24};
    const std::string body = bmp::PackedBodyOf(5, 3, Sample);
    const std::pair<std::string, std::string> seeds[] = {
        {"file24", std::string(1, '\0') + bmp::File(h, bmp::Pixels(5, 3, 24, Sample))},
        {"file16", std::string(1, '\0') + bmp::File({40, 5, 3, 16}, bmp::Pixels(5, 3, 16, Sample))},
        {"file32", std::string(1, '\0') + bmp::File({40, 5, 3, 32}, bmp::Pixels(5, 3, 32, Sample))},
        {"packedfile", std::string(1, '\1') + bmp::PackedFile(bmp::InfoHeader(h), h, body)},
        {"resource", std::string(1, '\2') + bmp::InfoHeader(h) + bmp::Pixels(5, 3, 24, Sample)},
        {"packedresource", std::string(1, '\3') + bmp::PackedResource(bmp::InfoHeader(h), h, body)},
    };
    for (const auto& [name, bytes] : seeds)
        std::ofstream(fs::path(folder) / name, std::ios::binary) << bytes;
}

} // namespace
