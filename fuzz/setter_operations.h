// How the setter fuzz target reads a sequence of edits off its input, and
// how the seed writer encodes such sequences. One input is:
//   a start byte: even starts from an empty image, odd from a sample image
//                 with a little of each family;
//   then edits, each an operation byte (kOperationCount kinds, taken modulo)
//   followed by its arguments:
//     key      a byte: below kKnownKeyCount an index into kKnownKeys, else a
//              length-prefixed narrow string;
//     text     a length-prefixed narrow string;
//     wide     a mode byte (255 NULL, even one unit per byte, odd
//              little-endian byte pairs), then a length-prefixed string;
//     type     a byte: below 0x80 an Exiv2 type 0..19, below 0xF0 an XMP
//              type 0x10000 + 0..9, else a 4-byte big-endian number;
//     size     a byte: 255 gives -1, else taken modulo the value's length+1.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace lumenmeta::fuzz {

enum class Operation : uint8_t {
    kAddMetaDataW,           // key, wide value
    kAddMetaDataWContainer,  // key, wide items, wide separators
    kAddMeta,                // key, text, type
    kModifyValueAsString,    // key, text, type
    kModifyExifIptcMeta,     // key, text (the value's bytes), type, size
    kClearMetaData,          // key
    kAddMetaDataWide,        // key (as wide text), wide value
    kSetThumbnail,           // text (the thumbnail's bytes)
    kCopyExifValue,          // key (copied from the handle into itself)
};
constexpr uint8_t kOperationCount = 9;

// Keys of every family and value shape the setters treat differently, and
// some that Exiv2 rejects.
inline const char* const kKnownKeys[] = {
    "Exif.Image.Artist",                     // ascii
    "Exif.Image.Orientation",                // short
    "Exif.Image.XResolution",                // rational
    "Exif.Photo.ExposureBiasValue",          // signed rational
    "Exif.Photo.PixelXDimension",            // long
    "Exif.Photo.UserComment",                // comment
    "Exif.Image.XPTitle",                    // UTF-16 bytes
    "Exif.Photo.ISOSpeedRatings",            // several shorts
    "Exif.GPSInfo.GPSLatitude",              // three rationals
    "Exif.Thumbnail.JPEGInterchangeFormat",  // thumbnail offset
    "Exif.Image.DateTime",                   // date
    "Exif.Photo.MakerNote",                  // undefined
    "Exif.Image.0xabcd",                     // unknown tag
    "Iptc.Application2.Caption",             // text
    "Iptc.Application2.Keywords",            // repeatable
    "Iptc.Application2.DateCreated",         // date
    "Iptc.Application2.TimeCreated",         // time
    "Iptc.Envelope.ModelVersion",            // short
    "Iptc.Envelope.CharacterSet",            // code page marker
    "Xmp.dc.title",                          // language alternative
    "Xmp.dc.subject",                        // bag
    "Xmp.dc.creator",                        // sequence
    "Xmp.xmp.Label",                         // text
    "Xmp.exif.FNumber",                      // rational
    "Xmp.Lumenframe.Var",                    // private bag
    "Xmp.Lumenframe.VarU",                   // private bag
    "Xmp.Lumenframe.Guid",                   // private text
    "Xmp.dc.rights",                         // mirrored text
    "Xmp.dc.description",                    // mirrored text
    "iptc.application2.caption",             // lower-case family
    "Xmp.nosuchns.property",                 // unknown namespace
    "Exif.NoGroup.Artist",                   // rejected
    "Bogus.Key",                             // no family
    "",                                      // empty
};
constexpr uint8_t kKnownKeyCount = sizeof(kKnownKeys) / sizeof(kKnownKeys[0]);

// Builds inputs in the format above (for the seed corpus).
class OperationWriter {
public:
    explicit OperationWriter(bool sampleImage) { bytes_.push_back(sampleImage ? 1 : 0); }

    OperationWriter& Op(Operation operation) {
        bytes_.push_back(static_cast<char>(operation));
        return *this;
    }
    OperationWriter& KnownKey(uint8_t index) {
        bytes_.push_back(static_cast<char>(index));
        return *this;
    }
    OperationWriter& Key(const std::string& key) {
        bytes_.push_back(static_cast<char>(0xFF));
        return Text(key);
    }
    OperationWriter& Text(const std::string& text) {
        bytes_.push_back(static_cast<char>(text.size()));
        bytes_ += text;
        return *this;
    }
    OperationWriter& Wide(const std::string& latin1) {
        bytes_.push_back(0);
        return Text(latin1);
    }
    OperationWriter& NullWide() {
        bytes_.push_back(static_cast<char>(0xFF));
        return *this;
    }
    OperationWriter& Type(uint8_t code) {
        bytes_.push_back(static_cast<char>(code));
        return *this;
    }
    OperationWriter& Size(uint8_t code) {
        bytes_.push_back(static_cast<char>(code));
        return *this;
    }
    const std::string& bytes() const { return bytes_; }

private:
    std::string bytes_;
};

}  // namespace lumenmeta::fuzz
