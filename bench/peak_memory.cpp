#include "peak_memory.h"

#include <malloc.h>

#include <atomic>
#include <cerrno>

extern "C" {
void* __libc_malloc(size_t size);
void* __libc_calloc(size_t count, size_t size);
void* __libc_realloc(void* block, size_t size);
void* __libc_memalign(size_t alignment, size_t size);
void __libc_free(void* block);
}

namespace {

// Signed: the C library may free blocks it took before the counting began.
std::atomic<long long> inUse{0};
std::atomic<long long> peak{0};

void Taken(void* block) {
    if (!block) return;
    const long long now = inUse += static_cast<long long>(malloc_usable_size(block));
    long long seen = peak.load(std::memory_order_relaxed);
    while (now > seen && !peak.compare_exchange_weak(seen, now)) {
    }
}

void Given(void* block) {
    if (block) inUse -= static_cast<long long>(malloc_usable_size(block));
}

}  // namespace

extern "C" {

void* malloc(size_t size) {
    void* block = __libc_malloc(size);
    Taken(block);
    return block;
}

void* calloc(size_t count, size_t size) {
    void* block = __libc_calloc(count, size);
    Taken(block);
    return block;
}

void* realloc(void* block, size_t size) {
    const long long before = block ? static_cast<long long>(malloc_usable_size(block)) : 0;
    void* moved = __libc_realloc(block, size);
    if (moved || size == 0) {
        inUse -= before;
        Taken(moved);
    }
    return moved;
}

void free(void* block) {
    Given(block);
    __libc_free(block);
}

void* memalign(size_t alignment, size_t size) {
    void* block = __libc_memalign(alignment, size);
    Taken(block);
    return block;
}

void* aligned_alloc(size_t alignment, size_t size) { return memalign(alignment, size); }

int posix_memalign(void** result, size_t alignment, size_t size) {
    void* block = memalign(alignment, size);
    if (!block) return ENOMEM;
    *result = block;
    return 0;
}

}  // extern "C"

namespace lumenmeta::bench {

size_t PeakMemoryOf(const std::function<void()>& work) {
    const long long before = inUse.load();
    peak = before;
    work();
    const long long most = peak.load();
    return most > before ? static_cast<size_t>(most - before) : 0;
}

}  // namespace lumenmeta::bench
