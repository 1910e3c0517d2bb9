#include "merge/merge_driver.h"

#include "merge/container_ops.h"
#include "merge/date_rules.h"
#include "merge/edits_win.h"
#include "merge/family_merge.h"
#include "merge/guarded_conversion.h"
#include "merge/xmp_mirroring.h"

#include <iostream>
#include <string>

namespace lumenmeta {

namespace {

// The family of a cleared key is the text before its first full stop,
// compared exactly; a key without one belongs to none.
std::string ClearedKeyFamily(const std::string& key) {
    const size_t stop = key.find('.');
    return stop == std::string::npos ? std::string() : key.substr(0, stop);
}

void RemoveClearedExifAndIptcKeys(const MetaHandle& handle, Exiv2::Image& target) {
    for (const std::string& key : handle.deletedKeys) {
        const std::string family = ClearedKeyFamily(key);
        if (family == "Exif") {
            try {
                EraseEveryDatum(target.exifData(), key);
            } catch (const Exiv2::AnyError&) {
                std::cerr << "Catched Exiv2::AnyError";
            }
        } else if (family == "Iptc") {
            try {
                EraseEveryDatum(target.iptcData(), key);
            } catch (const Exiv2::AnyError&) {
            }
        }
    }
}

void RemoveClearedXmpKeys(const MetaHandle& handle, Exiv2::Image& target) {
    for (const std::string& key : handle.deletedKeys) {
        if (ClearedKeyFamily(key) != "Xmp") continue;
        try {
            EraseEveryDatum(target.xmpData(), key);
        } catch (const Exiv2::AnyError&) {
        }
    }
}

}  // namespace

void MergeHandleIntoImage(const MetaHandle& handle, Exiv2::Image& target, SyncedTwins* synced) {
    RemoveClearedExifAndIptcKeys(handle, target);
    MergeIptcData(handle.iptcData, target.iptcData());
    // Exif keys outside the standard list reach the target too when the
    // host set them.
    MergeExifData(handle.exifData, target.exifData(), &handle.editedKeys, true);
    if (!target.exifData().empty()) CheckExifDates(target.exifData());
    // Properties with an Exif or IPTC counterpart take the values left by
    // the steps above.
    RefreshXmpFromIptcAndExif(target.iptcData(), target.exifData(), target.xmpData(), synced);
    // After the refresh, so that a cleared property that the conversion has
    // just produced again from Exif or IPTC still goes.
    RemoveClearedXmpKeys(handle, target);
    // After the refresh, so that the handle's XMP wins over converted values.
    MergeXmpData(handle.xmpData, target.xmpData());
    if (!target.xmpData().empty()) CheckXmpDates(target.xmpData());
    MirrorXmp(target.xmpData(), target.exifData(), target.iptcData(), synced);
    ApplyEditsToTwins(handle, target);
}

}  // namespace lumenmeta

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
extern "C" void MergeMetaData(MetaHandle* handle, Exiv2::Image::AutoPtr* target) {
    if (!handle || !target || !target->get()) return;
    try {
        lumenmeta::MergeHandleIntoImage(*handle, **target);
    } catch (...) {
        // The host has no way to receive an error here; the image keeps the
        // steps done before it.
    }
}
#pragma GCC diagnostic pop
