#pragma once
// Makes BMP files and resources and packed images for the bitmap tests and
// the fuzz seeds.

#include <cstdint>
#include <string>
#include <vector>

namespace bmp {

inline void Put16(std::string& out, std::uint32_t v) {
    out.push_back(static_cast<char>(v & 0xFF));
    out.push_back(static_cast<char>((v >> 8) & 0xFF));
}
inline void Put32(std::string& out, std::uint32_t v) {
    Put16(out, v & 0xFFFF);
    Put16(out, v >> 16);
}

struct Header {
    std::uint32_t size = 40;
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::uint16_t bits = 24;
    std::uint32_t compression = 0;
    std::uint32_t colours_used = 0;
};

inline std::string InfoHeader(const Header& h) {
    std::string out;
    Put32(out, h.size);
    Put32(out, static_cast<std::uint32_t>(h.width));
    Put32(out, static_cast<std::uint32_t>(h.height));
    Put16(out, 1);
    Put16(out, h.bits);
    Put32(out, h.compression);
    Put32(out, 0);
    Put32(out, 2835);
    Put32(out, 2835);
    Put32(out, h.colours_used);
    Put32(out, 0);
    out.resize(h.size < 40 ? 40 : h.size, '\0'); // a larger header is zero-filled
    return out;
}

inline int Stride(int width, int bits) {
    return (width * (bits / 8) + 3) / 4 * 4;
}

// Bottom-up rows of the given depth; pixel(x, y) gives 0x00RRGGBB for row y
// counted from the top.
template <class Pixel> std::string Pixels(int width, int height, int bits, Pixel pixel) {
    std::string out;
    for (int row = height - 1; row >= 0; --row) {
        std::string line;
        for (int x = 0; x < width; ++x) {
            const std::uint32_t c = pixel(x, row);
            if (bits == 16) {
                Put16(line, ((c >> 19) & 0x1F) << 10 | ((c >> 11) & 0x1F) << 5 | ((c >> 3) & 0x1F));
            } else {
                line.push_back(static_cast<char>(c & 0xFF));
                line.push_back(static_cast<char>((c >> 8) & 0xFF));
                line.push_back(static_cast<char>((c >> 16) & 0xFF));
                if (bits == 32)
                    line.push_back('\0');
            }
        }
        line.resize(static_cast<std::size_t>(Stride(width, bits)), '\0');
        out += line;
    }
    return out;
}

inline std::string FileHeader(std::uint32_t total, std::uint32_t offbits) {
    std::string out = "BM";
    Put32(out, total);
    Put32(out, 0);
    Put32(out, offbits);
    return out;
}

// A whole file: file header, info header, pixels.
inline std::string File(const Header& h, const std::string& pixels) {
    const std::string info = InfoHeader(h);
    const auto off = static_cast<std::uint32_t>(14 + info.size());
    return FileHeader(static_cast<std::uint32_t>(off + pixels.size()), off) + info + pixels;
}

// Bit writer, least significant bit of a byte first, values LSB first.
class BitWriter {
public:
    void Write(std::uint32_t value, int n) {
        for (int i = 0; i < n; ++i) {
            if (bit_ == 0)
                bytes_.push_back('\0');
            if ((value >> i) & 1u)
                bytes_.back() = static_cast<char>(bytes_.back() | (1 << bit_));
            bit_ = (bit_ + 1) % 8;
        }
    }
    const std::string& bytes() const { return bytes_; }

private:
    std::string bytes_;
    int bit_ = 0;
};

struct Plane {
    std::string bits;
    std::uint32_t runs = 0;
};

// Codes samples as runs of 1 to 145.
inline Plane EncodePlane(const std::vector<std::uint8_t>& samples) {
    Plane plane;
    BitWriter writer;
    for (std::size_t i = 0; i < samples.size();) {
        std::size_t n = 1;
        while (i + n < samples.size() && samples[i + n] == samples[i] && n < 145)
            ++n;
        if (n == 1) {
            writer.Write(0, 1);
        } else if (n <= 17) {
            writer.Write(1, 1);
            writer.Write(0, 1);
            writer.Write(static_cast<std::uint32_t>(n - 2), 4);
        } else {
            writer.Write(1, 1);
            writer.Write(1, 1);
            writer.Write(static_cast<std::uint32_t>(n - 18), 7);
        }
        writer.Write(samples[i], 8);
        ++plane.runs;
        i += n;
    }
    plane.bits = writer.bytes();
    return plane;
}

// The packed body after the second header: the length table and the planes.
inline std::string PackedBody(const Plane (&planes)[3]) {
    std::string out;
    for (const Plane& p : planes) {
        Put32(out, static_cast<std::uint32_t>(p.bits.size()));
        Put32(out, p.runs);
    }
    for (const Plane& p : planes)
        out += p.bits;
    return out;
}

// Packs a 24-bit image given as 0x00RRGGBB, top row first.
template <class Pixel> std::string PackedBodyOf(int width, int height, Pixel pixel) {
    std::vector<std::uint8_t> samples[3];
    for (int row = height - 1; row >= 0; --row)
        for (int x = 0; x < width; ++x)
            for (int c = 0; c < 3; ++c)
                samples[c].push_back(static_cast<std::uint8_t>(pixel(x, row) >> (8 * c)));
    const Plane planes[3] = {EncodePlane(samples[0]), EncodePlane(samples[1]),
                             EncodePlane(samples[2])};
    return PackedBody(planes);
}

// File: file header, a first header (garbage allowed), the second header, body.
inline std::string PackedFile(const std::string& first, const Header& second,
                              const std::string& body) {
    std::string out = FileHeader(0, 0) + first + InfoHeader(second) + body;
    return out;
}

inline std::string PackedResource(const std::string& first, const Header& second,
                                  const std::string& body) {
    return first + InfoHeader(second) + body;
}

} // namespace bmp
