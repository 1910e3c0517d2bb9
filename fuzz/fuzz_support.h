// What every fuzz target shares: Exiv2's log muted, and a reader that takes
// typed pieces (numbers, strings) off the fuzzer's input.
#pragma once

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

}  // namespace lumenmeta::fuzz
