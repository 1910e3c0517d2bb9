#include "merge/xmp_mirroring.h"

#include "handle/text_rules.h"
#include "merge/container_ops.h"
#include "merge/guarded_conversion.h"
#include "merge/twin_keys.h"
#include "merge/xmp_to_iptc.h"
#include "platform/ascii.h"
#include "platform/code_page.h"

#include <iostream>

namespace lumenmeta {

namespace {

constexpr const char* kMarkerPrefixes[] = {"Xmp.iptc.", "Xmp.photoshop."};
constexpr const char* kMarkerKeys[] = {
    "Xmp.dc.title", "Xmp.dc.subject", "Xmp.dc.creator", "Xmp.dc.rights", "Xmp.dc.description",
};

// The Dublin Core key that a private mirror key is assigned to, or null.
const char* DublinCoreKeyFor(const std::string& key) {
    for (const ExifMirrorKey& row : kExifMirrorKeys) {
        if (EqualNoCase(key.c_str(), row.privateKey)) return row.dublinCoreKey;
    }
    return nullptr;
}

// The items of an array; 1 for a text or a language alternative.
long ItemCount(const Exiv2::Value& value) {
    switch (value.typeId()) {
        case Exiv2::xmpAlt:
        case Exiv2::xmpBag:
        case Exiv2::xmpSeq:
            return value.count();
        default:
            return 1;
    }
}

// One item's text up to its first zero, as UTF-8 (Exif text is written as
// UTF-8); malformed UTF-8 comes out as U+FFFD.
std::string TextOfItem(const Exiv2::Value& value, long item) {
    return CodePageFromWide(WideFromValueText(value.toString(item), kCodePageUtf8), kCodePageUtf8);
}

}  // namespace

bool IsIptcMarkerXmpKey(const std::string& key) {
    for (const char* prefix : kMarkerPrefixes) {
        if (StartsWithNoCase(key.c_str(), prefix)) return true;
    }
    for (const char* marked : kMarkerKeys) {
        if (EqualNoCase(key.c_str(), marked)) return true;
    }
    return false;
}

void MirrorXmp(const Exiv2::XmpData& xmp, Exiv2::ExifData& exif, Exiv2::IptcData& iptc,
               const SyncedTwins* synced) {
    const std::vector<bool> convert =
        synced ? synced->GroupsToMirror(exif, iptc, xmp) : std::vector<bool>(TwinGroupCount(), true);
    Exiv2::XmpData conversionCopy;
    XmpPositions conversionPositions;
    Exiv2::XmpData mirrorSet;
    bool setMarker = false;
    for (const Exiv2::Xmpdatum& datum : xmp) {
        const Exiv2::Value& value = datum.value();
        const long items = ItemCount(value);
        const std::string key = datum.key();
        if (items > 0 && IsIptcMarkerXmpKey(key)) setMarker = true;
        // The conversion into Exif reads only the properties it converts.
        const int group = TwinGroupOf(key);
        const bool converted = group >= 0 && convert[group];
        const char* dublinCoreKey = DublinCoreKeyFor(key);
        if (!converted && !dublinCoreKey) continue;
        for (long item = 0; item < items; ++item) {
            const std::string text = TextOfItem(value, item);
            // Exiv2 gives a new datum the type it knows for the property and
            // appends each further text to an array, so the items arrive one
            // by one.
            try {
                if (converted) FindOrAppendXmpDatum(conversionCopy, conversionPositions, key) = text;
                if (dublinCoreKey) mirrorSet[dublinCoreKey] = text;
            } catch (const Exiv2::AnyError&) {
                std::cerr << "Can't write metadata to xmp Block";
            }
        }
    }
    ConvertXmpToExif(conversionCopy, exif);
    // Coming second, the host's own texts win over the Dublin Core ones.
    if (!mirrorSet.empty()) ConvertXmpToExif(mirrorSet, exif);
    if (setMarker) iptc[kIptcCharacterSetKey] = std::string(kIptcUtf8Marker);
    ConvertXmpToIptc(xmp, iptc);
}

}  // namespace lumenmeta
