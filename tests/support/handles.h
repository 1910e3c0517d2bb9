// Handles and BSTRs that release themselves; metadata containers (a handle's
// working set among them) filled and looked into with Exiv2 directly; and
// capture of the library's debug trace and of what it writes to std::cerr.
#pragma once

#include "lumenmeta.h"

#include <exiv2/exiv2.hpp>

#include <array>
#include <iostream>
#include <iterator>
#include <memory>
#include <sstream>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

namespace lumenmeta::test {

struct HandleCloser { void operator()(MetaHandle* handle) const { CloseMetaHandle(handle); } };
struct BstrFreer { void operator()(OLECHAR* text) const { SysFreeString(text); } };
using HandlePtr = std::unique_ptr<MetaHandle, HandleCloser>;
using BstrPtr = std::unique_ptr<OLECHAR, BstrFreer>;

// A handle on a new, empty image.
inline HandlePtr EmptyHandle() { return HandlePtr(OpenMetaHandle(nullptr, 0)); }

// A BSTR of every unit of `text`, zero units included.
inline BstrPtr MakeBstr(const std::u16string& text) {
    return BstrPtr(SysAllocStringLen(text.data(), static_cast<uint32_t>(text.size())));
}

using Texts = std::vector<std::string>;

// The key class of each container (for decltype only).
Exiv2::ExifKey KeyType(const Exiv2::ExifData&);
Exiv2::IptcKey KeyType(const Exiv2::IptcData&);
Exiv2::XmpKey KeyType(const Exiv2::XmpData&);

// Appends each "key=text" entry as a datum of its key's own type.
template <typename Container>
Container& Fill(Container& data, const Texts& entries) {
    for (const std::string& entry : entries) {
        std::decay_t<decltype(*data.begin())> datum(
            decltype(KeyType(data))(entry.substr(0, entry.find('='))));
        datum.setValue(entry.substr(entry.find('=') + 1));
        data.add(datum);
    }
    return data;
}

// Every datum as "key=text", in container order.
template <typename Container>
Texts Entries(const Container& data) {
    Texts entries;
    for (const auto& datum : data) entries.push_back(datum.key() + "=" + datum.toString());
    return entries;
}

// The trace pieces of {text, key, value} lines.
inline Texts Lines(std::initializer_list<std::array<const char*, 3>> lines) {
    Texts pieces;
    for (const auto& [text, key, value] : lines) {
        pieces.insert(pieces.end(), {text, key, " Value: ", value, "\n"});
    }
    return pieces;
}

// Every datum as "key=type:text", the type as Exiv2's number, in container order.
template <typename Container>
Texts TypedEntries(const Container& data) {
    Texts entries;
    for (const auto& d : data) {
        entries.push_back(d.key() + "=" + std::to_string(d.typeId()) + ":" + d.toString());
    }
    return entries;
}

// Everything of a handle that a write or merge must leave alone.
inline auto Snapshot(const MetaHandle& h) {
    return std::make_tuple(TypedEntries(h.exifData), TypedEntries(h.iptcData),
                           TypedEntries(h.xmpData), h.deletedKeys, h.isValid, h.hadExif,
                           h.hadIptc, h.hadXmp, h.iptcCodePage, h.filePath, h.image.get(),
                           h.memBuffer);
}
using HandleSnapshot = decltype(Snapshot(std::declval<const MetaHandle&>()));

// The texts of every datum with `key`, in container order.
template <typename Container>
Texts ValuesOf(const Container& data, const std::string& key) {
    Texts texts;
    for (const auto& datum : data) {
        if (datum.key() == key) texts.push_back(datum.toString());
    }
    return texts;
}

template <typename Container>
Texts KeysOf(const Container& data) {
    Texts keys;
    for (const auto& datum : data) keys.push_back(datum.key());
    return keys;
}

template <typename Container>
void EraseAll(Container& data, const std::string& key) {
    for (auto it = data.begin(); it != data.end();) {
        it = it->key() == key ? data.erase(it) : std::next(it);
    }
}

// The first datum with `key`, or null.
template <typename Container>
const auto* Find(const Container& data, const std::string& key) {
    const auto found = data.findKey(decltype(KeyType(data))(key));
    return found == data.end() ? nullptr : &*found;
}

// A value's binary form (little-endian numbers) as a byte string.
inline std::string RawBytes(const Exiv2::Metadatum& datum) {
    std::string bytes(static_cast<size_t>(datum.size()), '\0');
    datum.copy(reinterpret_cast<Exiv2::byte*>(bytes.data()), Exiv2::littleEndian);
    return bytes;
}

// Collects the library's debug-trace pieces, one entry per sink call, while
// it is alive; for tests that trace from one thread.
class TraceCapture {
public:
    TraceCapture() { SetDebugTraceSink(&Sink, this); }
    ~TraceCapture() { SetDebugTraceSink(nullptr, nullptr); }
    TraceCapture(const TraceCapture&) = delete;
    TraceCapture& operator=(const TraceCapture&) = delete;
    const Texts& pieces() const { return pieces_; }

private:
    static void Sink(const char* piece, void* self) {
        static_cast<TraceCapture*>(self)->pieces_.emplace_back(piece);
    }
    Texts pieces_;
};

// Collects what is written to std::cerr while it is alive.
class StderrCapture {
public:
    StderrCapture() : previous_(std::cerr.rdbuf(captured_.rdbuf())) {}
    ~StderrCapture() { std::cerr.rdbuf(previous_); }  // not copyable, as its stream is not
    std::string text() const { return captured_.str(); }

private:
    std::ostringstream captured_;
    std::streambuf* previous_;
};

}  // namespace lumenmeta::test
