#include "merge/xmp_mirroring.h"

#include "handle/text_rules.h"
#include "merge/container_ops.h"
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

// One item's UTF-8 text in the ANSI code page, up to its first zero. What
// the code page lacks, and malformed UTF-8, come out as substitutes.
std::string AnsiTextOfItem(const Exiv2::Value& value, long item) {
    const std::u16string wide = WideFromValueText(value.toString(item), kCodePageUtf8);
    return CodePageFromWide(wide, kCodePageAnsi);
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

void MirrorXmp(const Exiv2::XmpData& xmp, Exiv2::ExifData& exif, Exiv2::IptcData& iptc) {
    Exiv2::XmpData conversionCopy;
    XmpPositions conversionPositions;
    Exiv2::XmpData mirrorSet;
    bool setMarker = false;
    for (const Exiv2::Xmpdatum& datum : xmp) {
        const Exiv2::Value& value = datum.value();
        const long items = ItemCount(value);
        const std::string key = datum.key();
        const char* dublinCoreKey = DublinCoreKeyFor(key);
        for (long item = 0; item < items; ++item) {
            const std::string text = AnsiTextOfItem(value, item);
            // Exiv2 gives a new datum the type it knows for the property and
            // appends each further text to an array, so the items arrive one
            // by one.
            try {
                FindOrAppendXmpDatum(conversionCopy, conversionPositions, key) = text;
                if (dublinCoreKey) mirrorSet[dublinCoreKey] = text;
            } catch (const Exiv2::AnyError&) {
                std::cerr << "Can't write metadata to xmp Block";
            }
            if (IsIptcMarkerXmpKey(key)) setMarker = true;
        }
    }
    Exiv2::copyXmpToExif(conversionCopy, exif);
    // Coming second, the host's own texts win over the Dublin Core ones.
    Exiv2::copyXmpToExif(mirrorSet, exif);
    if (setMarker) iptc[kIptcCharacterSetKey] = std::string(kIptcUtf8Marker);
    CopyXmpToIptc(xmp, iptc);
}

}  // namespace lumenmeta
