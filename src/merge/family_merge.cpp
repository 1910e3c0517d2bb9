#include "merge/family_merge.h"

#include "lumenmeta.h"
#include "merge/container_ops.h"
#include "merge/merge_trace.h"
#include "platform/debug_trace.h"
#include "save/standard_exif_keys.h"

#include <string>
#include <type_traits>
#include <unordered_set>

namespace lumenmeta {

namespace {

struct FamilyTexts {
    const char* added;
    const char* failed;
};

constexpr FamilyTexts kExifTexts = {"Exif-Key: ", "Unable to write Exif-Key: "};
constexpr FamilyTexts kIptcTexts = {"IPTC-Key: ", "Unable to write IPTC-Key: "};
constexpr FamilyTexts kXmpTexts = {"XMP-Key: ", "Unable to write XMP-Key: "};

// The text of a datum for the failure line; empty when even that cannot be
// had, so that reporting one failed datum cannot end the merge.
template <typename Datum>
std::string TextForTrace(const Datum& datum) {
    try {
        return datum.toString();
    } catch (const Exiv2::AnyError&) {
        return std::string();
    }
}

template <typename Container, typename Takes>
void MergeFamily(const Container& source, Container& target, const FamilyTexts& texts,
                 Takes takes, bool leaveWhatIsThere = false) {
    // A container merged into itself would lose every datum it holds in the
    // clearing pass; replacing each key by itself changes nothing.
    if (&source == &target) return;
    // For a write, Exif keys whose values the target already holds are left
    // where they are: replacing them would change nothing the file keeps.
    std::unordered_set<std::string> alreadyThere;
    if constexpr (std::is_same_v<Container, Exiv2::ExifData>) {
        if (leaveWhatIsThere) alreadyThere = ExifKeysAlreadyThere(source, target, takes);
    }
    const auto replaces = [&](const std::string& key) { return takes(key) && alreadyThere.count(key) == 0; };
    // All removals come before all additions, so keys that the source holds
    // several times arrive with every occurrence.
    EraseEveryDatumOfKeys(target, source, replaces);
    const bool tracing = TraceIsOn();
    for (const auto& datum : source) {
        const std::string key = datum.key();
        if (!takes(key)) continue;
        try {
            if (alreadyThere.count(key) == 0) AddDatum(target, key, datum.value());
            if (tracing) TraceKeyValueLine(texts.added, key, datum.value().toString());
        } catch (const Exiv2::AnyError&) {
            TraceKeyValueLine(texts.failed, key, TextForTrace(datum));
        }
    }
}

}  // namespace

void MergeExifData(const Exiv2::ExifData& source, Exiv2::ExifData& target,
                   const std::set<std::string>* alsoTaken, bool forWrite) {
    if (source.empty()) return;
    EnsureStandardExifKeySet();
    const auto takes = [alsoTaken](const std::string& key) {
        return IsStandardExifKey(key) || (alsoTaken && alsoTaken->count(key) != 0);
    };
    MergeFamily(source, target, kExifTexts, takes, forWrite);
}

void MergeIptcData(const Exiv2::IptcData& source, Exiv2::IptcData& target) {
    if (source.empty()) return;
    MergeFamily(source, target, kIptcTexts, TakeEveryKey);
}

void MergeXmpData(const Exiv2::XmpData& source, Exiv2::XmpData& target) {
    if (source.empty()) return;
    MergeFamily(source, target, kXmpTexts, TakeEveryKey);
}

}  // namespace lumenmeta

// The exported forms: an error that ends a merge stays inside the library;
// the target keeps what was done before it.
extern "C" void MergeMetaDataExif(Exiv2::ExifData& source, Exiv2::ExifData& target) {
    try {
        lumenmeta::MergeExifData(source, target);
    } catch (...) {
    }
}

extern "C" void MergeMetaDataIptc(Exiv2::IptcData& source, Exiv2::IptcData& target) {
    try {
        lumenmeta::MergeIptcData(source, target);
    } catch (...) {
    }
}

extern "C" void MergeMetaDataXmp(Exiv2::XmpData& source, Exiv2::XmpData& target) {
    try {
        lumenmeta::MergeXmpData(source, target);
    } catch (...) {
    }
}
