// The tool's own operator new and delete.
//
// Reading one file, Exiv2 and its XMP parser make and drop thousands of small
// objects: keys, values, strings, the nodes of the XMP tree. Measured on a
// batch of `show --json`, the C library allocator's own work (its bins, its
// consolidation of freed chunks) came to more than a quarter of all
// instructions. Here a small block comes from a list of freed blocks of its
// size, kept per thread; when the list is empty it is cut from a 64 KB slab
// taken from malloc. Each block starts with a 16-byte head that holds its size
// class, so that delete finds its list; larger blocks are malloc's, marked so.
//
// A freed small block waits for the next request of its size and is never
// given back to malloc, nor used for another size. The tool does one file at
// a time in each process, so what it keeps is each size's peak over single
// files: a little more than the largest file's working set.
//
// Under AddressSanitizer or ThreadSanitizer the sanitizer's own allocator is
// left in place, so that it still sees every block.

#if !defined(__SANITIZE_ADDRESS__) && !defined(__SANITIZE_THREAD__)

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <new>

namespace {

constexpr size_t kStep = 16;      // size classes are 16 bytes apart
constexpr size_t kClasses = 64;   // blocks up to 1 KB are small
constexpr size_t kHead = 16;      // keeps every block 16-byte aligned
constexpr size_t kSlab = 64 * 1024;
constexpr uint64_t kLarge = UINT64_MAX;

struct FreeBlock {
    FreeBlock* next;
};

struct Cache {
    FreeBlock* freed[kClasses + 1];
    char* slab;
    char* slabEnd;
};

thread_local Cache cache;

void* TakeSmall(size_t sizeClass) {
    if (FreeBlock* block = cache.freed[sizeClass]) {
        cache.freed[sizeClass] = block->next;
        return block;
    }
    const size_t whole = kHead + sizeClass * kStep;
    if (static_cast<size_t>(cache.slabEnd - cache.slab) < whole) {
        // What is left of the old slab is too small for this block; it stays
        // unused.
        char* slab = static_cast<char*>(std::malloc(kSlab));
        if (!slab) return nullptr;
        cache.slab = slab;
        cache.slabEnd = slab + kSlab;
    }
    char* start = cache.slab;
    cache.slab += whole;
    *reinterpret_cast<uint64_t*>(start) = sizeClass;
    return start + kHead;
}

void* Take(size_t size) {
    if (size <= kClasses * kStep) return TakeSmall((size + kStep - 1) / kStep);
    if (size > SIZE_MAX - kHead) return nullptr;
    char* start = static_cast<char*>(std::malloc(kHead + size));
    if (!start) return nullptr;
    *reinterpret_cast<uint64_t*>(start) = kLarge;
    return start + kHead;
}

void Give(void* block) noexcept {
    if (!block) return;
    char* start = static_cast<char*>(block) - kHead;
    const uint64_t sizeClass = *reinterpret_cast<const uint64_t*>(start);
    if (sizeClass == kLarge) {
        std::free(start);
        return;
    }
    FreeBlock* freed = static_cast<FreeBlock*>(block);
    freed->next = cache.freed[sizeClass];
    cache.freed[sizeClass] = freed;
}

// As the standard operator new: on failure the new-handler runs and the
// request is tried again; with no handler, std::bad_alloc.
void* TakeOrThrow(size_t size) {
    for (;;) {
        if (void* block = Take(size)) return block;
        const std::new_handler handler = std::get_new_handler();
        if (!handler) throw std::bad_alloc();
        handler();
    }
}

void* TakeOrNull(size_t size) noexcept {
    try {
        return TakeOrThrow(size);
    } catch (...) {
        return nullptr;
    }
}

}  // namespace

// The replacements are seen by the shared libraries the tool loads, so they
// must stay visible although the tool is built with hidden visibility.
#define LUMENMETA_TOOL_REPLACES __attribute__((visibility("default")))

LUMENMETA_TOOL_REPLACES void* operator new(size_t size) { return TakeOrThrow(size); }
LUMENMETA_TOOL_REPLACES void* operator new[](size_t size) { return TakeOrThrow(size); }
LUMENMETA_TOOL_REPLACES void* operator new(size_t size, const std::nothrow_t&) noexcept {
    return TakeOrNull(size);
}
LUMENMETA_TOOL_REPLACES void* operator new[](size_t size, const std::nothrow_t&) noexcept {
    return TakeOrNull(size);
}
LUMENMETA_TOOL_REPLACES void operator delete(void* block) noexcept { Give(block); }
LUMENMETA_TOOL_REPLACES void operator delete[](void* block) noexcept { Give(block); }
LUMENMETA_TOOL_REPLACES void operator delete(void* block, size_t) noexcept { Give(block); }
LUMENMETA_TOOL_REPLACES void operator delete[](void* block, size_t) noexcept { Give(block); }
LUMENMETA_TOOL_REPLACES void operator delete(void* block, const std::nothrow_t&) noexcept {
    Give(block);
}
LUMENMETA_TOOL_REPLACES void operator delete[](void* block, const std::nothrow_t&) noexcept {
    Give(block);
}

#endif
