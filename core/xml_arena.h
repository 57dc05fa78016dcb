#pragma once
// Bump allocation for the nodes, lists and texts of one XmlDocument. Memory is
// given back only all at once; a new arena allocates nothing, so documents
// held as members of many records stay cheap until they are used.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

class XmlArena {
public:
    XmlArena() = default;
    XmlArena(const XmlArena&) = delete;
    XmlArena& operator=(const XmlArena&) = delete;

    // Uninitialised memory for size bytes, aligned for pointers (all that
    // nodes and lists hold).
    void* Allocate(std::size_t size) {
        size = (size + kAlignment - 1) & ~(kAlignment - 1);
        if (size > left_ || next_ == nullptr)
            return AllocateInNewBlock(size);
        void* memory = next_;
        next_ += size;
        left_ -= size;
        return memory;
    }
    // A copy of the text inside the arena.
    std::string_view Store(std::string_view text);

    // Forgets every allocation and keeps the memory, gathered in one block, so
    // that a document that is cleared and filled again does not allocate anew.
    void Reset();

    // Where the next allocation would go; Rewind() forgets everything
    // allocated after the mark was taken.
    struct Mark {
        std::size_t blocks = 0;
        std::byte* next = nullptr;
        std::size_t left = 0;
    };
    Mark GetMark() const { return Mark{blocks_.size(), next_, left_}; }
    void Rewind(const Mark& mark);

private:
    static constexpr std::size_t kAlignment = alignof(void*);

    void* AllocateInNewBlock(std::size_t size);

    struct Block {
        std::unique_ptr<std::byte[]> memory;
        std::size_t size;
    };

    std::vector<Block> blocks_;
    std::byte* next_ = nullptr;
    std::size_t left_ = 0;
};
