#include "core/xml_arena.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr std::size_t kFirstBlockBytes = 1024;
// Blocks double up to this size; larger requests get a block of their own.
constexpr std::size_t kLargestGrowthBlockBytes = 4u * 1024u * 1024u;

} // namespace

void* XmlArena::AllocateInNewBlock(std::size_t size) {
    std::size_t block_size = blocks_.empty() ? kFirstBlockBytes : blocks_.back().size * 2;
    block_size = std::min(block_size, kLargestGrowthBlockBytes);
    block_size = std::max(block_size, size);
    // new[] of std::byte gives memory aligned for any fundamental type.
    blocks_.push_back(Block{std::make_unique_for_overwrite<std::byte[]>(block_size), block_size});
    next_ = blocks_.back().memory.get() + size;
    left_ = block_size - size;
    return blocks_.back().memory.get();
}

std::string_view XmlArena::Store(std::string_view text) {
    if (text.empty())
        return {};
    auto* memory = static_cast<char*>(Allocate(text.size()));
    std::memcpy(memory, text.data(), text.size());
    return {memory, text.size()};
}

void XmlArena::Reset() {
    if (blocks_.empty())
        return;
    if (blocks_.size() > 1) {
        // One block as large as all of them: the next fill of the same size
        // needs no allocation and touches no fresh pages.
        std::size_t total = 0;
        for (const Block& block : blocks_)
            total += block.size;
        blocks_.clear();
        blocks_.push_back(Block{std::make_unique_for_overwrite<std::byte[]>(total), total});
    }
    next_ = blocks_.back().memory.get();
    left_ = blocks_.back().size;
}

void XmlArena::Rewind(const Mark& mark) {
    blocks_.resize(mark.blocks);
    next_ = mark.next;
    left_ = mark.left;
}
