// FUZZ_LIBRARIES: kv_capi
// Received B3 data as the data manager reads it: arbitrary blocks (each a
// length byte and up to 128 bytes, as DATA_B3_IND delivers them) arrive in a
// receive stream, and the frame reader takes one step after each block and
// then steps until it finds nothing more; a length byte of 255 stands for a
// block the full stream dropped, leaving a gap. Nothing may read outside a
// block; a frame keeps at most 20 bytes; the read position stays inside the
// stream and below 257 after each step; every frame read has the sync
// pattern and the length found in the bytes received between two gaps, and
// what it keeps is the bytes that followed them there.

#include "capi/b3_data_stream.h"
#include "capi/capi_data_manager.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <vector>

namespace {

constexpr std::uint8_t kSync[8] = {0x50, 0xA0, 0x50, 0xA0, 0x50, 0xA0, 0x50, 0xA0};
constexpr int kMaxStepsPerBlock = 64;
constexpr std::uint8_t kDropped = 255;

// Every byte received, in order, for the check of what a frame kept.
bool Contains(const std::vector<std::uint8_t>& received, const std::uint8_t* frame,
              std::size_t length) {
    std::vector<std::uint8_t> pattern(kSync, kSync + sizeof kSync);
    pattern.push_back(static_cast<std::uint8_t>(length));
    for (std::size_t at = 0; at + pattern.size() + 1 + length <= received.size(); ++at) {
        bool match = true;
        for (std::size_t i = 0; i < pattern.size() && match; ++i)
            match = received[at + i] == pattern[i];
        if (!match)
            continue;
        bool same = true;
        for (std::size_t i = 0; i < length && same; ++i)
            same = received[at + 10 + i] == frame[i];
        if (same)
            return true;
    }
    return false;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    B3DataStream stream;
    std::int32_t position = 0;
    // The bytes received since the last gap.
    std::vector<std::uint8_t> received;
    std::size_t at = 0;
    while (at < size) {
        const std::size_t announced = data[at++];
        if (announced == kDropped) {
            stream.NoteDropped();
            received.clear();
            continue;
        }
        const std::size_t length = std::min(announced, size - at);
        auto block = std::make_unique<B3DataBlock>();
        block->SetData(data + at, static_cast<std::uint32_t>(length), 0);
        received.insert(received.end(), data + at, data + at + std::min<std::size_t>(length, 128));
        at += length;
        if (stream.Append(block) != KV_OK)
            break;
        for (int step = 0; step < kMaxStepsPerBlock; ++step) {
            std::array<std::uint8_t, CapiDataManager::kFrameDataSize> frame{};
            std::uint32_t kept = 0xFFFFFFFFu;
            const bool read = ReadB3Frame(stream, position, frame, kept);
            if (position < 0 || position >= CapiDataManager::kKeepBelow ||
                position > stream.GetSize())
                std::abort();
            if (!read)
                break;
            // The length field's high byte is not checked: longer frames are
            // cut to 20 bytes.
            if (kept > CapiDataManager::kFrameDataSize)
                std::abort();
            if (kept < CapiDataManager::kFrameDataSize && !Contains(received, frame.data(), kept))
                std::abort();
        }
    }
    return 0;
}
