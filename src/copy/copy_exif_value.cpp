// Copies one Exif datum from one handle's working set into another's.
#include "lumenmeta.h"

#include "edit/edited_keys.h"

#include <exiv2/exiv2.hpp>

#include <cstring>
#include <iostream>

namespace lumenmeta {

namespace {

// True when the text before the key's first point is exactly "Exif".
bool HasExifFamily(const char* key) {
    const char* point = std::strchr(key, '.');
    return point && point - key == 4 && std::strncmp(key, "Exif", 4) == 0;
}

int CopyDatum(Exiv2::ExifData& source, Exiv2::ExifData& target, const char* key) {
    const Exiv2::ExifKey lookup(key);
    const auto found = source.findKey(lookup);
    if (found == source.end() || found->size() == 0) return 0;
    // Taken by value: source and target may be the same container, and the
    // removals below would otherwise pull the datum away from under us.
    const Exiv2::Exifdatum datum = *found;
    const Exiv2::ExifKey copyKey(datum.key());
    for (auto old = target.findKey(lookup); old != target.end(); old = target.findKey(lookup)) {
        target.erase(old);
    }
    target.add(copyKey, &datum.value());
    return 1;
}

}  // namespace

}  // namespace lumenmeta

extern "C" int CopyExifDataValue(MetaHandle* source, MetaHandle* target, const char* key) {
    if (!source || !target || !key) return 0;
    if (!lumenmeta::HasExifFamily(key)) return 0;
    try {
        const int copied = lumenmeta::CopyDatum(source->exifData, target->exifData, key);
        if (copied) lumenmeta::RecordEdit(*target, key);
        return copied;
    } catch (const Exiv2::AnyError&) {
        std::cerr << "Catched Exiv2::AnyError";
        return 0;
    } catch (...) {
        return 0;
    }
}
