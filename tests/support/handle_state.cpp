#include "support/handle_state.h"

#include <iostream>

namespace lumenmeta::test {

namespace {

template <typename Container>
std::vector<DatumImage> ImagesOf(const Container& data) {
    std::vector<DatumImage> images;
    for (const auto& datum : data) {
        images.push_back({datum.key(), static_cast<int>(datum.typeId()), datum.toString()});
    }
    return images;
}

template <typename Container>
std::vector<std::string> TextsOf(const Container& data, const std::string& key) {
    std::vector<std::string> texts;
    for (const auto& datum : data) {
        if (datum.key() == key) texts.push_back(datum.toString());
    }
    return texts;
}

}  // namespace

std::vector<DatumImage> Images(const Exiv2::ExifData& data) { return ImagesOf(data); }
std::vector<DatumImage> Images(const Exiv2::IptcData& data) { return ImagesOf(data); }
std::vector<DatumImage> Images(const Exiv2::XmpData& data) { return ImagesOf(data); }

bool HandleSnapshot::operator==(const HandleSnapshot& other) const {
    return exif == other.exif && iptc == other.iptc && xmp == other.xmp &&
           deletedKeys == other.deletedKeys && isValid == other.isValid &&
           hadExif == other.hadExif && hadIptc == other.hadIptc && hadXmp == other.hadXmp &&
           iptcCodePage == other.iptcCodePage && filePath == other.filePath &&
           image == other.image && memBuffer == other.memBuffer;
}

HandleSnapshot Snapshot(const MetaHandle& handle) {
    return HandleSnapshot{Images(handle.exifData), Images(handle.iptcData),
                          Images(handle.xmpData),  handle.deletedKeys,
                          handle.isValid,          handle.hadExif,
                          handle.hadIptc,          handle.hadXmp,
                          handle.iptcCodePage,     handle.filePath,
                          handle.image.get(),      handle.memBuffer};
}

std::vector<std::string> ValuesOf(const Exiv2::ExifData& data, const std::string& key) {
    return TextsOf(data, key);
}
std::vector<std::string> ValuesOf(const Exiv2::IptcData& data, const std::string& key) {
    return TextsOf(data, key);
}
std::vector<std::string> ValuesOf(const Exiv2::XmpData& data, const std::string& key) {
    return TextsOf(data, key);
}

StderrCapture::StderrCapture() : previous_(std::cerr.rdbuf(captured_.rdbuf())) {}

StderrCapture::~StderrCapture() { std::cerr.rdbuf(previous_); }

}  // namespace lumenmeta::test
