// The most heap memory a piece of work adds to the process. The benchmark
// program replaces malloc and its relatives with counting forwarders to the
// C library's own allocator, so every allocation counts, Exiv2's included
// (its in-memory I/O uses malloc and realloc, its other buffers operator
// new, which ends in malloc).
#pragma once

#include <cstddef>
#include <functional>

namespace lumenmeta::bench {

// Bytes by which the heap in use during `work` peaked above the heap in use
// before it.
size_t PeakMemoryOf(const std::function<void()>& work);

}  // namespace lumenmeta::bench
