// XMP sidecars beside images: which file is an image's sidecar, and when a
// write goes there instead of into the image (--sidecar, --sidecar=auto,
// --sidecar-name=full).
#pragma once

#include "options.h"

#include <string>

namespace lumenmeta_tool {

enum class SidecarMode {
    Off,     // writes go into the image
    Always,  // --sidecar: every write goes into the image's sidecar
    Auto,    // --sidecar=auto: only writes the image's format cannot take
};

struct SidecarOptions {
    SidecarMode mode = SidecarMode::Off;
    bool fullName = false;  // --sidecar-name=full: NAME.EXT.xmp
};

// The options a command that writes or reads sidecars knows, to add to its
// own: --sidecar[=auto] and --sidecar-name NAME.
void AddSidecarOptions(KnownOptions& known);

// The sidecar options given. UsageError for a value other than "auto" or a
// name other than "short" or "full", and for --sidecar-name without
// --sidecar.
SidecarOptions SidecarOptionsOf(const Arguments& arguments);

// The sidecar of the image at `image`: NAME.EXT.xmp when it exists (it wins
// when both exist); otherwise NAME.xmp (NAME.EXT.xmp with `fullName`).
// `exists` says whether the file is there yet.
struct Sidecar {
    std::string path;
    bool exists = false;
};
Sidecar SidecarOf(const std::string& image, bool fullName);

// Whether `path` names an XMP sidecar itself (extension .xmp in any case).
bool IsSidecarPath(const std::string& path);

// What an empty sidecar holds, as Exiv2 writes one: where a sidecar does not
// exist yet, a write starts from these bytes.
extern const std::string kEmptySidecar;

// The library's reason why the image at `path` cannot be written in place
// ("HEIF files cannot be written in place"), found by a write into a copy of
// its bytes in memory; "" when it can be written or is no image.
std::string FormatRefusal(const std::string& path);

}  // namespace lumenmeta_tool
