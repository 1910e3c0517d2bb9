#include "lumenmeta.h"

#include <exiv2/exiv2.hpp>

extern "C" void SetExiv2LogLevel(int level) {
    if (level < Exiv2::LogMsg::debug || level > Exiv2::LogMsg::mute) return;
    Exiv2::LogMsg::setLevel(static_cast<Exiv2::LogMsg::Level>(level));
}
