// Helpers for tests of writes and merges: a comparable
// snapshot of a handle's working set, the values of a key in a container,
// and capture of what the library writes to the standard error stream.
#pragma once

#include "lumenmeta.h"
#include "support/handle_ptr.h"

#include <exiv2/exiv2.hpp>

#include <iosfwd>
#include <iterator>
#include <memory>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace lumenmeta::test {

// One datum as key, type and text, for comparisons.
struct DatumImage {
    std::string key;
    int type = 0;
    std::string text;
    bool operator==(const DatumImage& other) const {
        return key == other.key && type == other.type && text == other.text;
    }
};

std::vector<DatumImage> Images(const Exiv2::ExifData& data);
std::vector<DatumImage> Images(const Exiv2::IptcData& data);
std::vector<DatumImage> Images(const Exiv2::XmpData& data);

// Everything of a handle that a write or merge must leave alone.
struct HandleSnapshot {
    std::vector<DatumImage> exif, iptc, xmp;
    std::set<std::string> deletedKeys;
    bool isValid, hadExif, hadIptc, hadXmp;
    int32_t iptcCodePage;
    std::string filePath;
    const Exiv2::Image* image;
    const unsigned char* memBuffer;
    bool operator==(const HandleSnapshot& other) const;
};

HandleSnapshot Snapshot(const MetaHandle& handle);

// The texts of every datum with `key`, in container order.
std::vector<std::string> ValuesOf(const Exiv2::ExifData& data, const std::string& key);
std::vector<std::string> ValuesOf(const Exiv2::IptcData& data, const std::string& key);
std::vector<std::string> ValuesOf(const Exiv2::XmpData& data, const std::string& key);

// Removes every datum with `key`.
template <typename Container>
void EraseAll(Container& data, const std::string& key) {
    for (auto it = data.begin(); it != data.end();) {
        it = it->key() == key ? data.erase(it) : std::next(it);
    }
}

// The keys of a container, in order.
template <typename Container>
std::vector<std::string> KeysOf(const Container& data) {
    std::vector<std::string> keys;
    for (const auto& datum : data) keys.push_back(datum.key());
    return keys;
}

// Collects what is written to std::cerr while it is alive.
class StderrCapture {
public:
    StderrCapture();
    ~StderrCapture();
    StderrCapture(const StderrCapture&) = delete;
    StderrCapture& operator=(const StderrCapture&) = delete;
    std::string text() const { return captured_.str(); }

private:
    std::ostringstream captured_;
    std::streambuf* previous_;
};

}  // namespace lumenmeta::test
