#include "save/xmp_mode.h"

#include "handle/xmp_toolkit.h"

#include <string>

namespace lumenmeta {

void ApplyXmpMode(Exiv2::Image& target, int xmpMode, bool sourceHadXmp) {
    switch (xmpMode) {
        case kXmpModeKeepIfSourceHadXmp:
            if (!sourceHadXmp) target.xmpData().clear();
            break;
        case kXmpModeRemove:
            target.xmpData().clear();
            break;
        case kXmpModeCompactPacket: {
            std::string packet;
            const int formatFlags = Exiv2::XmpParser::omitPacketWrapper |
                                    Exiv2::XmpParser::useCompactFormat;
            XmpToolkitLock lock;
            if (Exiv2::XmpParser::encode(packet, target.xmpData(), formatFlags, 0) == 0) {
                target.setXmpPacket(packet);
            }
            break;
        }
        default:
            break;
    }
}

}  // namespace lumenmeta
