#include "save/writable_format.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <utility>

namespace lumenmeta {

namespace {

// QuickTime files (CR3 when BMFF support is off) have this type in Exiv2's
// video support, whose header exiv2.hpp does not include.
constexpr int kQuickTimeType = 22;

bool Writes(int type, Exiv2::MetadataId family) {
    try {
        return (Exiv2::ImageFactory::checkMode(type, family) & Exiv2::amWrite) != 0;
    } catch (const Exiv2::AnyError&) {
        return false;  // a type Exiv2 does not list: nothing it can write
    }
}

// The name of an ISO base media file by the brands of its "ftyp" box (the
// major brand and the compatible ones), or "" when none is known.
std::string NameByBrands(Exiv2::BasicIo& io) {
    Exiv2::byte head[64] = {};
    const bool wasOpen = io.isopen();
    if (!wasOpen && io.open() != 0) return "";
    io.seek(0, Exiv2::BasicIo::beg);
    const long got = io.read(head, sizeof head);
    io.seek(0, Exiv2::BasicIo::beg);
    if (!wasOpen) io.close();
    if (got >= 8 && std::memcmp(head + 4, "JXL ", 4) == 0) return "JPEG XL";
    if (got < 12 || std::memcmp(head + 4, "ftyp", 4) != 0) return "";
    const long boxSize = (long{head[0]} << 24) | (long{head[1]} << 16) | (long{head[2]} << 8) | head[3];
    const long end = std::min(got, boxSize);
    // Checked in this order, so an AVIF that also lists "mif1" is AVIF.
    static const std::pair<const char*, const char*> kBrands[] = {
        {"crx ", "CR3"},  {"avif", "AVIF"}, {"avis", "AVIF"}, {"heic", "HEIF"},
        {"heix", "HEIF"}, {"heim", "HEIF"}, {"heis", "HEIF"}, {"hevc", "HEIF"},
        {"hevx", "HEIF"}, {"mif1", "HEIF"}, {"msf1", "HEIF"}, {"heif", "HEIF"},
        {"jxl ", "JPEG XL"}, {"qt  ", "QuickTime"},
    };
    for (const auto& [brand, name] : kBrands) {
        for (long at = 8; at + 4 <= end; at += at == 8 ? 8 : 4) {  // skip the minor version
            if (std::memcmp(head + at, brand, 4) == 0) return name;
        }
    }
    return "";
}

std::string NameByType(int type) {
    switch (type) {
        case Exiv2::ImageType::mrw: return "MRW";
        case Exiv2::ImageType::raf: return "RAF";
        case Exiv2::ImageType::rw2: return "RW2";
        case Exiv2::ImageType::gif: return "GIF";
        case Exiv2::ImageType::bmp: return "BMP";
        case Exiv2::ImageType::tga: return "TGA";
        default: return "";
    }
}

// "HEIC" for "photo.heic"; "" without an extension.
std::string NameByExtension(const std::string& path) {
    const size_t dot = path.rfind('.');
    const size_t slash = path.rfind('/');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash) ||
        dot + 1 == path.size()) {
        return "";
    }
    std::string name = path.substr(dot + 1);
    for (char& c : name) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return name;
}

}  // namespace

CannotWriteFormat::CannotWriteFormat(const std::string& reason)
    : Exiv2::Error(Exiv2::kerErrorMessage, reason) {}

std::string CannotWriteReason(Exiv2::Image& image, const std::string& path) {
    const int type = image.imageType();
    if (Writes(type, Exiv2::mdExif) || Writes(type, Exiv2::mdIptc) || Writes(type, Exiv2::mdXmp)) {
        return "";
    }
    std::string name;
    if (type == Exiv2::ImageType::bmff || type == kQuickTimeType) name = NameByBrands(image.io());
    if (name.empty()) name = NameByType(type);
    if (name.empty()) name = NameByExtension(path);
    if (name.empty()) name = type == Exiv2::ImageType::bmff ? "BMFF" : image.mimeType();
    return name + " files cannot be written in place";
}

void RefuseUnwritableFormat(Exiv2::Image& image, const std::string& path) {
    const std::string reason = CannotWriteReason(image, path);
    if (!reason.empty()) throw CannotWriteFormat(reason);
}

}  // namespace lumenmeta
