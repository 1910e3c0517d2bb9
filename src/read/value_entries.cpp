// Every value of a family, or of the whole working set, with both its forms,
// in one walk; handed out as one malloc'd block.
#include "lumenmeta.h"

#include "read/value_listing.h"

#include <climits>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace lumenmeta {

namespace {

struct EntryTexts {
    std::string key;
    const char* typeName;
    int32_t type;
    int32_t index;
    std::string language;
    std::string stored;
    std::string text;
};

// Numbers the values of each key in container order.
void AssignIndexes(std::vector<EntryTexts>& entries) {
    std::unordered_map<std::string_view, int32_t> seen;
    seen.reserve(entries.size());
    for (EntryTexts& entry : entries) entry.index = seen[entry.key]++;
}

// The entries' array followed by all their strings, in one block.
MetaDataEntry* PackEntries(const std::vector<EntryTexts>& entries) {
    size_t bytes = entries.size() * sizeof(MetaDataEntry);
    for (const EntryTexts& e : entries) {
        bytes += e.key.size() + std::strlen(e.typeName) + e.language.size() + e.stored.size() +
                 e.text.size() + 5;
    }
    auto* block = static_cast<MetaDataEntry*>(std::malloc(bytes));
    if (!block) return nullptr;
    char* at = reinterpret_cast<char*>(block + entries.size());
    const auto place = [&at](const char* text, size_t length) {
        char* start = at;
        std::memcpy(at, text, length);
        at[length] = '\0';
        at += length + 1;
        return start;
    };
    for (size_t i = 0; i < entries.size(); ++i) {
        const EntryTexts& e = entries[i];
        MetaDataEntry& out = block[i];
        out.key = place(e.key.data(), e.key.size());
        out.typeName = place(e.typeName, std::strlen(e.typeName));
        out.type = e.type;
        out.index = e.index;
        out.language = place(e.language.data(), e.language.size());
        out.stored = place(e.stored.data(), e.stored.size());
        out.text = place(e.text.data(), e.text.size());
    }
    return block;
}

}  // namespace

}  // namespace lumenmeta

extern "C" {

int32_t GetMetaDataEntries(MetaHandle* handle, const char* family, MetaDataEntry** entries) {
    using namespace lumenmeta;
    if (!handle || !entries) return -1;
    std::vector<std::string> families;
    if (!family) {
        families = {"Exif", "Iptc", "Xmp"};
    } else if (std::strcmp(family, "Exif") == 0 || std::strcmp(family, "Iptc") == 0 ||
               std::strcmp(family, "Xmp") == 0) {
        families = {family};
    } else {
        return -1;
    }
    try {
        std::vector<EntryTexts> listed;
        listed.reserve(static_cast<size_t>(handle->exifData.count() + handle->iptcData.count() +
                                           handle->xmpData.count()));
        for (const std::string& name : families) {
            WalkValues(*handle, name, nullptr, [&](const ListedValue& value) {
                std::string stored = StoredText(value.datum, value.item);
                std::string text = ReadableText(value.datum, value.item, &handle->exifData, stored);
                const Exiv2::TypeId type = value.datum.typeId();
                listed.push_back({value.datum.key(), Exiv2::TypeInfo::typeName(type), type, 0,
                                  value.item.language, std::move(stored), std::move(text)});
                if (!listed.back().typeName) listed.back().typeName = "";
                return true;
            });
        }
        if (listed.size() > static_cast<size_t>(INT32_MAX)) return -1;
        AssignIndexes(listed);
        MetaDataEntry* block = nullptr;
        if (!listed.empty()) {
            block = PackEntries(listed);
            if (!block) return -1;
        }
        *entries = block;
        return static_cast<int32_t>(listed.size());
    } catch (...) {
        return -1;
    }
}

void FreeMetaDataEntries(MetaDataEntry* entries) { std::free(entries); }

}  // extern "C"
