#include "capi/b3_data_stream.h"

#include "capi/capi_parameters.h"

#include <algorithm>
#include <cstring>

B3DataBlock& B3DataBlock::operator=(const B3DataBlock& other) {
    if (this == &other)
        return *this;
    B3dtFlagSet::operator=(other);
    length_ = std::min(other.length_, kCapacity);
    data_ = other.data_;
    data_flags_ = other.data_flags_;
    info_ = other.info_;
    data_handle_ = other.data_handle_;
    ncci_ = other.ncci_;
    timer_ = other.timer_;
    return *this;
}

void B3DataBlock::SetGotConfirmation(bool confirmed) {
    if (confirmed)
        AddFlags(kGotConfirmation);
    else
        RemoveFlags(kGotConfirmation);
}

std::uint8_t B3DataBlock::GetByte(std::uint32_t index) {
    if (index >= kCapacity) {
        block_result_ = KV_E_FAIL;
        return 0;
    }
    block_result_ = KV_OK;
    return data_[index];
}

std::uint32_t B3DataStream::Count(std::uint32_t flags) const {
    if (flags == 0)
        return static_cast<std::uint32_t>(blocks_.size());
    return static_cast<std::uint32_t>(
        std::count_if(blocks_.begin(), blocks_.end(),
                      [flags](const auto& block) { return block->HasFlags(flags); }));
}

KvResult B3DataStream::Append(std::unique_ptr<B3DataBlock>& block) {
    if (!block)
        result_ = KV_E_INVALID_POINTER;
    else if (blocks_.size() >= kMaxBlocks)
        result_ = KV_E_LIST_FULL;
    else {
        block->follows_gap_ = gap_pending_;
        gap_pending_ = false;
        blocks_.push_back(std::move(block));
        result_ = KV_OK;
    }
    return result_;
}

B3DataBlock* B3DataStream::AppendNew() {
    auto block = std::make_unique<B3DataBlock>();
    B3DataBlock* raw = block.get();
    return KvSucceeded(Append(block)) ? raw : nullptr;
}

B3DataBlock* B3DataStream::FindByHandle(std::uint32_t handle) {
    result_ = KV_E_FAIL;
    for (const auto& block : blocks_)
        if (block->GetDataHandle() == handle) {
            result_ = KV_OK;
            return block.get();
        }
    return nullptr;
}

std::unique_ptr<B3DataBlock> B3DataStream::TakeFirst() {
    if (blocks_.empty()) {
        result_ = KV_E_FAIL;
        return nullptr;
    }
    std::unique_ptr<B3DataBlock> first = std::move(blocks_.front());
    blocks_.pop_front();
    result_ = KV_OK;
    return first;
}

KvResult B3DataStream::DeleteFirst() {
    TakeFirst();
    return result_;
}

bool B3DataStream::IsReadable(std::int32_t position, std::uint32_t length) const {
    const std::int64_t size = GetSize();
    return position >= 0 && position < size && std::int64_t{position} + length < size;
}

std::uint32_t B3DataStream::GetByte(std::int32_t position) {
    if (position < 0 || position >= GetSize()) {
        result_ = KV_E_FAIL;
        return kFailed;
    }
    result_ = KV_OK;
    return ByteAt(static_cast<std::uint32_t>(position));
}

KvResult B3DataStream::Read(std::uint8_t* destination, std::uint32_t length,
                            std::int32_t position) {
    if (destination == nullptr && length != 0)
        return result_ = KV_E_INVALID_POINTER;
    if (!IsReadable(position, length))
        return result_ = KV_E_FAIL;
    for (std::uint32_t i = 0; i < length; ++i)
        destination[i] = ByteAt(static_cast<std::uint32_t>(position) + i);
    return result_ = KV_OK;
}

std::uint32_t B3DataStream::ReadWord(std::int32_t position) {
    std::uint8_t bytes[2];
    if (KvFailed(Read(bytes, 2, position)))
        return kFailed;
    return static_cast<std::uint32_t>(bytes[0] | (bytes[1] << 8));
}

std::int32_t B3DataStream::Find(const std::uint8_t* pattern, std::uint32_t pattern_length,
                                std::int32_t start) {
    constexpr auto kNotFound = static_cast<std::int32_t>(kFailed);
    result_ = KV_E_FAIL;
    if (pattern == nullptr || pattern_length == 0 || !IsReadable(start, pattern_length))
        return kNotFound;
    const std::uint32_t last = static_cast<std::uint32_t>(GetSize()) - pattern_length;
    for (std::uint32_t at = static_cast<std::uint32_t>(start); at < last; ++at) {
        std::uint32_t matched = 0;
        while (matched < pattern_length && ByteAt(at + matched) == pattern[matched])
            ++matched;
        if (matched == pattern_length) {
            result_ = KV_OK;
            return static_cast<std::int32_t>(at);
        }
    }
    return kNotFound;
}
