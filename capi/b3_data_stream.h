#pragma once
// B-channel data as a manager collects it: 128-byte blocks filled from
// DATA_B3_IND, and a stream of at most 1024 blocks read as one byte sequence
// (block i holds positions i * 128 to i * 128 + 127, whatever its length).

#include "capi/capi_parameters.h"
#include "capi/named_flag_set.h"
#include "core/timeout_timer.h"
#include "platform/result_codes.h"

#include <array>
#include <cstdint>
#include <cstring>
#include <deque>
#include <memory>

class B3DataBlock : public B3dtFlagSet {
public:
    static constexpr std::uint32_t kCapacity = 128;

    B3DataBlock() = default;
    B3DataBlock(const B3DataBlock& other) : B3dtFlagSet(other) { *this = other; }
    B3DataBlock& operator=(const B3DataBlock& other);

    // Copies at most 128 bytes and clears the rest. A longer length is cut to
    // 128 and gives KV_E_FAIL; no source or length 0 clears all 128 bytes and
    // gives KV_E_FAIL.
    KvResult SetData(const std::uint8_t* source, std::uint32_t length, std::uint32_t data_flags);
    void SetIds(std::uint32_t ncci, std::uint32_t data_handle, std::uint32_t info) {
        ncci_ = ncci;
        data_handle_ = data_handle;
        info_ = info;
    }
    void SetGotConfirmation(bool confirmed);
    // The byte at an index below 128; else 0 with the result KV_E_FAIL.
    std::uint8_t GetByte(std::uint32_t index);

    const std::uint8_t* GetData() const { return data_.data(); }
    std::uint32_t GetLength() const { return length_; }
    std::uint32_t GetDataFlags() const { return data_flags_; }
    std::uint32_t GetInfo() const { return info_; }
    std::uint32_t GetDataHandle() const { return data_handle_; }
    std::uint32_t GetNcci() const { return ncci_; }
    KvResult GetBlockResult() const { return block_result_; }
    TimeoutTimer& GetTimer() { return timer_; }
    // Set by the stream that took the block when blocks were dropped between
    // it and the block before: its bytes do not continue that block's. Not
    // copied with the block, since it says where the block lies.
    bool FollowsGap() const { return follows_gap_; }

private:
    friend class B3DataStream;

    std::array<std::uint8_t, kCapacity> data_{};
    std::uint32_t length_ = 0;
    std::uint32_t data_flags_ = 0;
    std::uint32_t info_ = 0;
    std::uint32_t data_handle_ = 0;
    std::uint32_t ncci_ = 0;
    KvResult block_result_ = KV_OK;
    TimeoutTimer timer_{0, 0};
    bool follows_gap_ = false;
};

// Inline: decoding DATA_B3_IND is the hot path and little more than this copy.
inline KvResult B3DataBlock::SetData(const std::uint8_t* source, std::uint32_t length,
                                     std::uint32_t data_flags) {
    block_result_ = KV_OK;
    data_flags_ = data_flags;
    if (source == nullptr || length == 0) {
        data_.fill(0);
        length_ = 0;
        block_result_ = KV_E_FAIL;
        return block_result_;
    }
    if (length > kCapacity) {
        length = kCapacity;
        block_result_ = KV_E_FAIL;
    }
    if (length == kCapacity) {
        // The common full block: one copy of known size.
        std::memcpy(data_.data(), source, kCapacity);
    } else {
        CopyStructBytes(data_.data(), source, length);
        std::memset(data_.data() + length, 0, kCapacity - length);
    }
    length_ = length;
    return block_result_;
}

class B3DataStream {
public:
    static constexpr std::uint32_t kMaxBlocks = 1024;
    // What GetByte, ReadWord and Find give when they fail.
    static constexpr std::uint32_t kFailed = KV_E_FAIL;

    // The number of blocks with no flags; else the number of blocks holding
    // all the flags.
    std::uint32_t Count(std::uint32_t flags = 0) const;
    // Takes the block over; KV_E_INVALID_POINTER for none, KV_E_LIST_FULL at
    // 1024 blocks (the block is then the caller's still). A block taken after
    // a drop is marked as following the gap.
    KvResult Append(std::unique_ptr<B3DataBlock>& block);
    // A received block the full stream could not take was dropped: counted,
    // and the gap it leaves is marked on the next block taken.
    void NoteDropped() {
        ++dropped_;
        gap_pending_ = true;
    }
    std::uint32_t GetDroppedCount() const { return dropped_; }
    // A new empty block at the end, or null with KV_E_LIST_FULL.
    B3DataBlock* AppendNew();
    // The first block with the Data Handle; null with KV_E_FAIL when none.
    B3DataBlock* FindByHandle(std::uint32_t handle);
    // The first block, removed; null with KV_E_FAIL when empty.
    std::unique_ptr<B3DataBlock> TakeFirst();
    KvResult DeleteFirst();
    // Every block goes, and the drops with them: the stream is as new.
    void DeleteAll() {
        blocks_.clear();
        dropped_ = 0;
        gap_pending_ = false;
    }

    // The block at an index, null past the end.
    const B3DataBlock* GetBlock(std::size_t index) const {
        return index < blocks_.size() ? blocks_[index].get() : nullptr;
    }
    // Blocks x 128.
    std::int32_t GetSize() const { return static_cast<std::int32_t>(blocks_.size() * 128); }
    // Positions are refused when negative or not below the size.
    std::uint32_t GetByte(std::int32_t position);
    // Copies length bytes from position across block borders; position + length
    // must stay below the size. KV_E_FAIL otherwise, nothing copied.
    KvResult Read(std::uint8_t* destination, std::uint32_t length, std::int32_t position);
    // Two bytes at position, low byte first, checked as Read checks; kFailed
    // otherwise.
    std::uint32_t ReadWord(std::int32_t position);
    // The first position from start on where the pattern matches, with
    // start + pattern length below the size; kFailed (as a position) when none.
    std::int32_t Find(const std::uint8_t* pattern, std::uint32_t pattern_length,
                      std::int32_t start);

    KvResult GetResult() const { return result_; }

private:
    // True when [position, position + length) lies inside the stream and ends
    // before its last byte.
    bool IsReadable(std::int32_t position, std::uint32_t length) const;
    std::uint8_t ByteAt(std::uint32_t position) const {
        return blocks_[position / 128]->GetData()[position % 128];
    }

    std::deque<std::unique_ptr<B3DataBlock>> blocks_;
    KvResult result_ = KV_OK;
    std::uint32_t dropped_ = 0;
    // Blocks were dropped since the last block taken.
    bool gap_pending_ = false;
};
