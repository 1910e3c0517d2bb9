// The work of the benchmarks done through the library's exports, as a host
// does it: a read (open, read, close) and a write of an open handle.
#pragma once

#include "lumenmeta.h"

#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace lumenmeta::bench {

struct HandleCloser {
    void operator()(MetaHandle* handle) const { CloseMetaHandle(handle); }
};
using HandlePtr = std::unique_ptr<MetaHandle, HandleCloser>;

struct BstrFreer {
    void operator()(OLECHAR* text) const { SysFreeString(text); }
};
using BstrPtr = std::unique_ptr<OLECHAR, BstrFreer>;

BstrPtr BstrFromAscii(const char* text);

// Sets the WriteValues() on a handle.
class ValueSetter {
public:
    ValueSetter();
    // False when the handle refuses a value.
    bool Apply(MetaHandle* handle) const;
    // Sets the values and writes the handle into `target` (the file itself
    // when NULL). False when a step fails.
    bool SetAndWrite(MetaHandle* handle, const char* target) const;

private:
    std::vector<std::pair<const char*, BstrPtr>> values_;
};

// Opens the file, reads the ReadKeys() values as text, closes. Returns the
// total length of the texts, so the work cannot be optimised away.
size_t ExportRead(const std::string& path);

}  // namespace lumenmeta::bench
