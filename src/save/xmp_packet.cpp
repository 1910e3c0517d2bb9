#include "save/xmp_packet.h"

#include "handle/xmp_toolkit.h"

#include <string>

namespace lumenmeta {

namespace {

// The form Exiv2's JPEG writer gives the packet.
constexpr uint16_t kPacketFormat = Exiv2::XmpParser::useCompactFormat | Exiv2::XmpParser::omitAllFormatting;

}  // namespace

void EncodeXmpPacket(Exiv2::Image& target) {
    if (target.writeXmpFromPacket()) return;
    const Exiv2::XmpData& xmp = target.xmpData();
    std::string packet;
    if (!xmp.empty()) {
        XmpToolkitLock lock;
        if (Exiv2::XmpParser::encode(packet, xmp, kPacketFormat, 0) != 0) {
            throw Exiv2::Error(Exiv2::kerErrorMessage,
                               "the XMP toolkit cannot encode the XMP; nothing was written");
        }
    }
    // JPEG and PNG writers store the packet they are given; the others
    // (a TIFF keeps its XMP in an Exif tag, a sidecar has a form of its own)
    // encode the XMP again themselves.
    const int type = target.imageType();
    if (type != Exiv2::ImageType::jpeg && type != Exiv2::ImageType::png) return;
    // Set directly: setXmpPacket would parse the packet back into the XMP.
    // The switch comes first: Image::xmpPacket() itself encodes the XMP
    // again, outside the toolkit's lock, while it is off.
    target.writeXmpFromPacket(true);
    target.xmpPacket() = packet;
}

}  // namespace lumenmeta
