#include "platform/object_pool.h"

#include <algorithm>
#include <atomic>
#include <new>
#include <utility>
#include <vector>

namespace object_pool {

namespace {

// Its address tells one living thread from another.
thread_local char thread_token;

// Slots are whole cache lines, so that a thread filling a new object does not
// share a line with the one the other side is reading. Blocks are aligned to
// their size, so that an object finds its home at the start of its block.
constexpr std::size_t kCacheLine = 64;
constexpr std::size_t kBlockSize = 64 * 1024;

// A free slot holds the link to the next free one where the object will be.
struct FreeSlot {
    std::atomic<FreeSlot*> next{nullptr};
};

struct alignas(kCacheLine) BlockHeader {
    Home* home;
};

Home* HomeOf(void* object) {
    const auto address = reinterpret_cast<std::uintptr_t>(object);
    return reinterpret_cast<BlockHeader*>(address & ~std::uintptr_t{kBlockSize - 1})->home;
}

std::size_t StrideFor(std::size_t size) {
    return (std::max(size, sizeof(FreeSlot)) + kCacheLine - 1) / kCacheLine * kCacheLine;
}

} // namespace

class Home {
public:
    explicit Home(std::size_t stride) : stride_(stride) {}

    std::size_t Stride() const { return stride_; }

    // Owner only.
    void* Take() {
        if (free_ == nullptr)
            free_ = returned_.exchange(nullptr, std::memory_order_acquire);
        if (free_ == nullptr)
            AddBlock();
        FreeSlot* slot = free_;
        free_ = slot->next.load(std::memory_order_relaxed);
        slot->~FreeSlot();
        return slot;
    }

    // The owner's own objects go straight back to its free list.
    bool IsOwnedByThisThread() const {
        return owner.load(std::memory_order_relaxed) == &thread_token;
    }
    void GiveBackOwn(FreeSlot* first, FreeSlot* last) {
        last->next.store(free_, std::memory_order_relaxed);
        free_ = first;
    }

    // Any thread. The owner takes the whole stack at once, which cannot be
    // fooled by a slot that left and came back, as a single pop could.
    void GiveBack(FreeSlot* first, FreeSlot* last) {
        FreeSlot* top = returned_.load(std::memory_order_relaxed);
        do {
            last->next.store(top, std::memory_order_relaxed);
        } while (!returned_.compare_exchange_weak(top, first, std::memory_order_release,
                                                  std::memory_order_relaxed));
    }

    std::atomic<bool> claimed{true};
    // The claiming thread's token, so that a thread can tell its own homes.
    std::atomic<const char*> owner{nullptr};
    Home* next_home = nullptr;

private:
    void AddBlock() {
        // Blocks, like homes, live as long as the process.
        auto* block =
            static_cast<std::byte*>(::operator new(kBlockSize, std::align_val_t{kBlockSize}));
        blocks_.push_back(block);
        new (block) BlockHeader{this};
        FreeSlot* next = nullptr;
        for (std::size_t offset = (kBlockSize - sizeof(BlockHeader)) / stride_ * stride_;
             offset != 0; offset -= stride_)
            next = new (block + sizeof(BlockHeader) + offset - stride_) FreeSlot{next};
        free_ = next;
    }

    const std::size_t stride_;
    alignas(kCacheLine) std::atomic<FreeSlot*> returned_{nullptr};
    alignas(kCacheLine) FreeSlot* free_ = nullptr;
    std::vector<std::byte*> blocks_;
};

namespace {

// Every home ever made; a home is never freed.
constinit std::atomic<Home*> homes{nullptr};

Home* ClaimHome(std::size_t stride) {
    for (Home* home = homes.load(std::memory_order_acquire); home != nullptr;
         home = home->next_home) {
        bool claimed = false;
        if (home->Stride() == stride &&
            home->claimed.compare_exchange_strong(claimed, true, std::memory_order_acquire))
            return home;
    }
    auto* home = new Home(stride);
    home->next_home = homes.load(std::memory_order_relaxed);
    while (!homes.compare_exchange_weak(home->next_home, home, std::memory_order_release,
                                        std::memory_order_relaxed)) {
    }
    return home;
}

} // namespace

Claim::~Claim() {
    if (home_ == nullptr)
        return;
    home_->owner.store(nullptr, std::memory_order_relaxed);
    home_->claimed.store(false, std::memory_order_release);
    // A destructor of the thread's that runs later and allocates claims a
    // home again rather than use the one just left.
    home_ = nullptr;
}

void* Claim::Allocate() {
    if constexpr (KV_OBJECT_POOL_USES_HEAP)
        return ::operator new(size_);
    if (home_ == nullptr) {
        home_ = ClaimHome(StrideFor(size_));
        home_->owner.store(&thread_token, std::memory_order_relaxed);
    }
    return home_->Take();
}

void Free(void* object) {
    if (object == nullptr)
        return;
    if constexpr (KV_OBJECT_POOL_USES_HEAP) {
        ::operator delete(object);
        return;
    }
    auto* slot = new (object) FreeSlot;
    Home* home = HomeOf(object);
    if (home->IsOwnedByThisThread())
        home->GiveBackOwn(slot, slot);
    else
        home->GiveBack(slot, slot);
}

namespace {

constexpr std::size_t kSizeClasses = kMaxObjectSize / kCacheLine;

template <std::size_t... Index>
std::array<Claim, sizeof...(Index)> MakeSizedClaims(std::index_sequence<Index...>) {
    return {Claim((Index + 1) * kCacheLine)...};
}

bool IsPooledSize(std::size_t size) {
    return size != 0 && size <= kMaxObjectSize;
}

} // namespace

void* AllocateSized(std::size_t size) {
    // Under the sanitizer the heap is asked for the size itself, not its
    // slot's, so that a write past the size is seen.
    if (KV_OBJECT_POOL_USES_HEAP || !IsPooledSize(size))
        return ::operator new(size);
    thread_local std::array<Claim, kSizeClasses> claims =
        MakeSizedClaims(std::make_index_sequence<kSizeClasses>{});
    return claims[(size - 1) / kCacheLine].Allocate();
}

void FreeSized(void* object, std::size_t size) noexcept {
    if (IsPooledSize(size))
        Free(object);
    else
        ::operator delete(object);
}

Recycler::~Recycler() {
    for (std::size_t i = 0; i < used_; ++i)
        runs_[i].home->GiveBack(static_cast<FreeSlot*>(runs_[i].first),
                                static_cast<FreeSlot*>(runs_[i].last));
}

void Recycler::Add(void* object) {
    if (KV_OBJECT_POOL_USES_HEAP || object == nullptr) {
        Free(object);
        return;
    }
    Home* home = HomeOf(object);
    if (home->IsOwnedByThisThread()) {
        Free(object);
        return;
    }
    Run* end = runs_.begin() + used_;
    Run* run = std::find_if(runs_.begin(), end,
                            [home](const Run& candidate) { return candidate.home == home; });
    if (run == end) {
        if (used_ == runs_.size()) {
            Free(object);
            return;
        }
        *run = Run{home, nullptr, object};
        ++used_;
    }
    new (object) FreeSlot{static_cast<FreeSlot*>(run->first)};
    run->first = object;
}

} // namespace object_pool
