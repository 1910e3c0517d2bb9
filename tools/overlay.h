// An image read together with its XMP sidecar, as photo tools read them: the
// image's metadata with the sidecar's XMP laid over it, a sidecar value
// winning for its key. Exif and IPTC come from the image: a sidecar holds
// XMP (an Exif or IPTC value written into one is kept as its XMP twin).
#pragma once

#include "entries.h"
#include "image_file.h"
#include "values.h"

#include <string>
#include <vector>

namespace lumenmeta_tool {

struct Overlaid {
    Handle image;
    Handle sidecar;           // null when the image has none (or none is asked for)
    std::string sidecarPath;  // "" when there is none

    // The entries of `family` ("Exif", "Iptc" or "Xmp"), in key order for
    // XMP: the sidecar's, marked, and the image's for keys the sidecar lacks.
    std::vector<Entry> Entries(const char* family) const;
    std::vector<Entry> AllEntries() const;  // of the three families, in order
    // The handle a key is read from: the sidecar for an XMP key it holds.
    MetaHandle* For(const std::string& key) const;
};

// Opens the image at `path` and, with `withSidecar`, its sidecar when one
// exists (NAME.EXT.xmp, else NAME.xmp; only NAME.EXT.xmp with `fullName`).
// False, with `reason`, when the image or an existing sidecar cannot be read
// or `path` is a sidecar itself.
bool OpenOverlaid(const std::string& path, bool withSidecar, bool fullName, Overlaid& out,
                  std::string& reason);

}  // namespace lumenmeta_tool
