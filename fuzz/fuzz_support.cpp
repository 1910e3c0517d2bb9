#include "fuzz_support.h"

#include "lumenmeta.h"

#include <algorithm>
#include <cstring>

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    SetExiv2LogLevel(4);
    return 0;
}

namespace lumenmeta::fuzz {

uint8_t InputReader::Byte() {
    if (size_ == 0) return 0;
    --size_;
    return *data_++;
}

int32_t InputReader::Int() {
    uint32_t value = 0;
    for (int i = 0; i < 4; ++i) value = (value << 8) | Byte();
    return static_cast<int32_t>(value);
}

std::string InputReader::String(size_t limit) {
    const size_t length = std::min({static_cast<size_t>(Byte()), limit, size_});
    std::string text(reinterpret_cast<const char*>(data_), length);
    data_ += length;
    size_ -= length;
    return text;
}

std::string InputReader::Rest() {
    std::string text(reinterpret_cast<const char*>(data_), size_);
    data_ += size_;
    size_ = 0;
    return text;
}

}  // namespace lumenmeta::fuzz
