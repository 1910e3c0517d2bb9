// What every fuzz target shares: Exiv2's log muted, a reader that takes typed
// pieces (numbers, strings) off the fuzzer's input, and the rounds of reading
// and writing that the targets run on a handle.
#pragma once

#include "lumenmeta.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace lumenmeta::fuzz {

class InputReader {
public:
    InputReader(const uint8_t* data, size_t size) : data_(data), size_(size) {}

    bool empty() const { return size_ == 0; }
    uint8_t Byte();
    int32_t Int();
    // A string of up to `limit` bytes; its length comes first.
    std::string String(size_t limit);
    // Whatever input is left.
    std::string Rest();

private:
    const uint8_t* data_;
    size_t size_;
};

// Calls every reading export on the handle: for each key the working set
// holds (up to a bound) and for a fixed list of well-formed and malformed
// keys, with several indexes, both number forms and buffers of several
// sizes, each exactly as large as the size passed, so that a write past it
// is caught. Every result handed out is freed.
void ReadEverything(MetaHandle* handle);

// Writes the handle's working set into a fixed small JPEG held in memory with
// WriteDataToMem and touches every byte of the result.
void WriteToSmallJpeg(MetaHandle* handle, int xmpMode);

}  // namespace lumenmeta::fuzz
