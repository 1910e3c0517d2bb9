#include "exiv2_direct.h"

#include "corpus.h"

#include <exiv2/exiv2.hpp>

#include <memory>
#include <set>
#include <stdexcept>
#include <unordered_set>
#include <utility>

namespace lumenmeta::bench {

namespace {

using ImagePtr = std::unique_ptr<Exiv2::Image>;

ImagePtr OpenFile(const std::string& path) {
    return ImagePtr(Exiv2::ImageFactory::open(path).release());
}

std::string ValueText(Exiv2::Image& image, const std::string& key) {
    if (key.compare(0, 4, "Exif") == 0) {
        auto hit = image.exifData().findKey(Exiv2::ExifKey(key));
        return hit == image.exifData().end() ? std::string() : hit->toString();
    }
    if (key.compare(0, 4, "Iptc") == 0) {
        auto hit = image.iptcData().findKey(Exiv2::IptcKey(key));
        return hit == image.iptcData().end() ? std::string() : hit->toString();
    }
    auto hit = image.xmpData().findKey(Exiv2::XmpKey(key));
    return hit == image.xmpData().end() ? std::string() : hit->toString();
}

// Brings a file's Exif and IPTC in step with its XMP and sorts IPTC and XMP,
// as a read for writing does.
void PrepareRead(Exiv2::Image& image) {
    if (!image.xmpData().empty()) {
        Exiv2::syncExifWithXmp(image.exifData(), image.xmpData());
        Exiv2::copyXmpToIptc(image.xmpData(), image.iptcData());
    }
    image.iptcData().sortByKey();
    image.xmpData().sortByKey();
}

void SetValues(Exiv2::Image& image) {
    for (const SetValue& set : WriteValues()) {
        const std::string key = set.key;
        if (key.compare(0, 4, "Exif") == 0) {
            image.exifData()[key] = set.value;
        } else if (key.compare(0, 4, "Iptc") == 0) {
            image.iptcData()[key] = set.value;
        } else {
            image.xmpData()[key] = set.value;
        }
    }
}

void Convert(Exiv2::Image& image) {
    Exiv2::copyIptcToXmp(image.iptcData(), image.xmpData(), nullptr);
    Exiv2::copyExifToXmp(image.exifData(), image.xmpData());
    Exiv2::copyXmpToExif(image.xmpData(), image.exifData());
    Exiv2::copyXmpToIptc(image.xmpData(), image.iptcData());
}

// Replaces the target's values for every key of the source in one pass over
// each container: the keys are collected in a hash set, the target's other
// datums kept in order, then the source's datums appended.
void ReplaceExif(const Exiv2::ExifData& source, Exiv2::ExifData& target) {
    std::unordered_set<std::string> keys;
    for (const auto& datum : source) keys.insert(datum.key());
    for (auto datum = target.begin(); datum != target.end();) {
        datum = keys.count(datum->key()) ? target.erase(datum) : std::next(datum);
    }
    for (const auto& datum : source) target.add(datum);
}

void ReplaceIptc(const Exiv2::IptcData& source, Exiv2::IptcData& target) {
    std::set<std::pair<uint16_t, uint16_t>> keys;
    for (const auto& datum : source) keys.emplace(datum.tag(), datum.record());
    Exiv2::IptcData kept;
    for (const auto& datum : target) {
        if (!keys.count({datum.tag(), datum.record()})) kept.add(datum);
    }
    for (const auto& datum : source) kept.add(datum);
    target = std::move(kept);
}

void ReplaceXmp(const Exiv2::XmpData& source, Exiv2::XmpData& target) {
    std::unordered_set<std::string> keys;
    for (const auto& datum : source) keys.insert(datum.key());
    Exiv2::XmpData kept;
    for (const auto& datum : target) {
        if (!keys.count(datum.key())) kept.add(datum);
    }
    for (const auto& datum : source) kept.add(datum);
    kept.setPacket(target.xmpPacket());
    kept.usePacket(target.usePacket());
    target = std::move(kept);
}

void MergeInto(const std::string& sourcePath, Exiv2::Image& target) {
    target.readMetadata();
    target.iptcData().sortByKey();
    target.xmpData().sortByKey();
    ImagePtr source = OpenFile(sourcePath);
    source->readMetadata();
    PrepareRead(*source);
    ReplaceIptc(source->iptcData(), target.iptcData());
    ReplaceExif(source->exifData(), target.exifData());
    ReplaceXmp(source->xmpData(), target.xmpData());
    SetValues(target);
    Convert(target);
}

}  // namespace

size_t DirectRead(const std::string& path) {
    ImagePtr image = OpenFile(path);
    image->readMetadata();
    size_t length = 0;
    for (const std::string& key : ReadKeys()) length += ValueText(*image, key).size();
    return length;
}

void DirectWriteInPlace(const std::string& path) {
    ImagePtr image = OpenFile(path);
    image->readMetadata();
    PrepareRead(*image);
    SetValues(*image);
    Convert(*image);
    image->writeMetadata();
}

void DirectWriteToTarget(const std::string& source, const std::string& target) {
    ImagePtr image = OpenFile(target);
    MergeInto(source, *image);
    image->writeMetadata();
}

std::vector<unsigned char> DirectWriteToMemory(const std::string& source,
                                               const std::vector<unsigned char>& target) {
    ImagePtr image(
        Exiv2::ImageFactory::open(target.data(), static_cast<long>(target.size())).release());
    MergeInto(source, *image);
    image->writeMetadata();
    Exiv2::BasicIo& io = image->io();
    std::vector<unsigned char> bytes(static_cast<size_t>(io.size()));
    io.seek(0, Exiv2::BasicIo::beg);
    if (io.read(bytes.data(), static_cast<long>(bytes.size())) != static_cast<long>(bytes.size())) {
        throw std::runtime_error("cannot read the written image");
    }
    return bytes;
}

namespace {

template <typename Container>
size_t WalkEntries(const Container& data, const Exiv2::ExifData* exif) {
    size_t total = 0;
    for (const auto& datum : data) {
        total += datum.key().size() + std::string(Exiv2::TypeInfo::typeName(datum.typeId())).size() +
                 datum.toString().size() + datum.print(exif).size();
    }
    return total;
}

}  // namespace

size_t DirectWalk(const std::string& path) {
    ImagePtr image = OpenFile(path);
    image->readMetadata();
    return WalkEntries(image->exifData(), &image->exifData()) +
           WalkEntries(image->iptcData(), nullptr) + WalkEntries(image->xmpData(), nullptr);
}

}  // namespace lumenmeta::bench
