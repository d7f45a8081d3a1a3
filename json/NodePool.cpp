#include "NodePool.h"

#include <atomic>
#include <cstdint>
#include <new>

#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define KX_POISON_FREED_NODES 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__)
#define KX_POISON_FREED_NODES 1
#endif
#ifdef KX_POISON_FREED_NODES
#include <sanitizer/asan_interface.h>
#endif

namespace kx::json {

namespace {

constexpr std::size_t kPageBytes = 65536;  // also the alignment, so a node finds its page

struct alignas(16) PageHeader {
    // Frees subtract one; retiring the page adds the number carved. Zero after both means
    // that no node of the page is left.
    std::atomic<std::int64_t> balance{0};
};

void Poison(void* at, std::size_t bytes) {
#ifdef KX_POISON_FREED_NODES
    ASAN_POISON_MEMORY_REGION(at, bytes);
#else
    (void)at, (void)bytes;
#endif
}

void Unpoison(void* at, std::size_t bytes) {
#ifdef KX_POISON_FREED_NODES
    ASAN_UNPOISON_MEMORY_REGION(at, bytes);
#else
    (void)at, (void)bytes;
#endif
}

void FreePage(PageHeader* page) {
    Unpoison(page, kPageBytes);
    page->~PageHeader();
    ::operator delete(page, std::align_val_t{kPageBytes});
}

// The page this thread carves from.
class CurrentPage {
public:
    CurrentPage() = default;
    CurrentPage(const CurrentPage&) = delete;
    CurrentPage& operator=(const CurrentPage&) = delete;
    ~CurrentPage() { Retire(); }

    void* Carve(std::size_t size) {
        // A size that is a multiple of 16 may hold a long double; others need 8.
        const std::size_t alignment = size % 16 ? 8 : 16;
        auto at = (next_ + alignment - 1) & ~(alignment - 1);
        if (!page_ || at + size > reinterpret_cast<std::uintptr_t>(page_) + kPageBytes) {
            // A page whose nodes are all gone again is carved anew: no other thread can
            // touch it, and its memory is still in the cache.
            if (!page_ || page_->balance.load(std::memory_order_acquire) + carved_ != 0) {
                Retire();
                page_ = new (::operator new(kPageBytes, std::align_val_t{kPageBytes})) PageHeader;
                Poison(page_ + 1, kPageBytes - sizeof(PageHeader));
            }
            page_->balance.store(0, std::memory_order_relaxed);
            carved_ = 0;
            at = reinterpret_cast<std::uintptr_t>(page_ + 1);
        }
        next_ = at + size;
        ++carved_;
        Unpoison(reinterpret_cast<void*>(at), size);
        return reinterpret_cast<void*>(at);
    }

private:
    void Retire() {
        if (!page_) return;
        if (page_->balance.fetch_add(carved_, std::memory_order_acq_rel) + carved_ == 0) FreePage(page_);
        page_ = nullptr;
        carved_ = 0;
    }

    PageHeader* page_ = nullptr;
    std::uintptr_t next_ = 0;
    std::int64_t carved_ = 0;
};

thread_local CurrentPage current;

}  // namespace

void* AllocateNode(std::size_t size) {
    if (size > kLargestPooledNode) return ::operator new(size);
    return current.Carve(size);
}

void FreeNode(void* node, std::size_t size) noexcept {
    if (!node) return;
    if (size > kLargestPooledNode) {
        ::operator delete(node);
        return;
    }
    Poison(node, size);
    auto* page = reinterpret_cast<PageHeader*>(reinterpret_cast<std::uintptr_t>(node) & ~(kPageBytes - 1));
    if (page->balance.fetch_sub(1, std::memory_order_acq_rel) == 1) FreePage(page);
}

}  // namespace kx::json
