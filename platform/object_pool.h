#pragma once
// Memory for small objects that one thread makes and another frees, as posted
// messages are. Each thread takes from a home of its own and every object goes
// back to the home it came from, so that neither side meets a lock or the
// other thread's allocator bins. A home outlives its thread and passes to the
// next thread that needs one; memory is kept for reuse, bounded by what each
// thread has out at once.
//
// Under AddressSanitizer the objects come from the heap at the size asked for,
// so that leaks, use after release and writes past an object stay visible.

#include <array>
#include <cstddef>
#include <cstdint>
#include <new>

#if defined(__SANITIZE_ADDRESS__)
#define KV_OBJECT_POOL_USES_HEAP 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define KV_OBJECT_POOL_USES_HEAP 1
#endif
#endif
#ifndef KV_OBJECT_POOL_USES_HEAP
#define KV_OBJECT_POOL_USES_HEAP 0
#endif

namespace object_pool {

class Home;

// Objects start on a cache line, or where the heap puts them under the
// sanitizer: alignments up to this are kept.
inline constexpr std::size_t kAlignment = 16;
// Pools are for small objects: a block holds many.
inline constexpr std::size_t kMaxObjectSize = 4096;

// A thread's claim on a home for objects of one size, made at its first
// allocation and given up when the thread ends.
class Claim {
public:
    explicit Claim(std::size_t size) : size_(size) {}
    ~Claim();
    Claim(const Claim&) = delete;
    Claim& operator=(const Claim&) = delete;

    void* Allocate();

private:
    std::size_t size_;
    Home* home_ = nullptr;
};

// Gives an object's memory back to its home, from any thread.
void Free(void* object);

// Gives many objects back with one exchange per home; on destruction.
class Recycler {
public:
    Recycler() = default;
    ~Recycler();
    Recycler(const Recycler&) = delete;
    Recycler& operator=(const Recycler&) = delete;

    void Add(void* object);

private:
    struct Run {
        Home* home;
        void* first;
        void* last;
    };
    // Only the first used_ are set.
    std::array<Run, 16> runs_;
    std::size_t used_ = 0;
};

// Memory for an object of a class whose objects differ in size (a base
// with many derived classes): the pool of the size rounded up to a cache
// line, or the heap for a size no pool takes. Give it back with FreeSized
// and the same size, as a class's sized operator delete receives it.
void* AllocateSized(std::size_t size);
void FreeSized(void* object, std::size_t size) noexcept;

} // namespace object_pool

// An allocator for containers that a thread makes and drops many times a
// second at sizes up to a few kilobytes (the indexes of a received list):
// their blocks come from the pools by size, so that they neither wait in the
// heap's large bins nor make it sort its small ones.
template <typename T> struct SizedPoolAllocator {
    using value_type = T;
    SizedPoolAllocator() = default;
    template <typename U> SizedPoolAllocator(const SizedPoolAllocator<U>&) noexcept {}
    T* allocate(std::size_t count) {
        static_assert(alignof(T) <= object_pool::kAlignment);
        return static_cast<T*>(object_pool::AllocateSized(count * sizeof(T)));
    }
    void deallocate(T* block, std::size_t count) noexcept {
        object_pool::FreeSized(block, count * sizeof(T));
    }
    friend bool operator==(const SizedPoolAllocator&, const SizedPoolAllocator&) { return true; }
};

// The pool for objects of type T (their storage only: construction and
// destruction stay with the caller).
template <typename T> class ObjectPool {
public:
    static_assert(alignof(T) <= object_pool::kAlignment);
    static_assert(sizeof(T) <= object_pool::kMaxObjectSize);

    static void* Allocate() { return claim_.Allocate(); }
    static void Free(void* object) { object_pool::Free(object); }
    // For T's operator new and delete: a derived class of another size gets
    // its memory from the heap.
    static void* AllocateSize(std::size_t size) {
        return size == sizeof(T) ? Allocate() : ::operator new(size);
    }
    static void FreeSize(void* object, std::size_t size) noexcept {
        if (size == sizeof(T))
            Free(object);
        else
            ::operator delete(object);
    }

private:
    static thread_local object_pool::Claim claim_;
};

template <typename T> thread_local object_pool::Claim ObjectPool<T>::claim_{sizeof(T)};
