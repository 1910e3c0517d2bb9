// Creates an empty XMP sidecar file that the host fills with a later write.
#include "lumenmeta.h"

#include "platform/debug_trace.h"
#include "platform/file_access.h"
#include "save/safe_file_io.h"
#include "handle/xmp_toolkit.h"

#include <exiv2/exiv2.hpp>

#include <memory>
#include <string>

namespace lumenmeta {

namespace {

int CreateSidecar(const char* path, bool overwrite) {
    if (!overwrite && FileExists(path)) return 0;
    std::unique_ptr<Exiv2::Image> sidecar;
    try {
        // The file is created (or replaced) when the empty sidecar is written.
        sidecar = CreateImageForWriting(Exiv2::ImageType::xmp, path);
    } catch (...) {
        TracePiece("CreateXmpSidecar: Could not create file: ");
        return 0;
    }
    if (!sidecar) {
        TracePiece("CreateXmpSidecar: Could not create file: ");
        return 0;
    }
    try {
        WriteImageFile(*sidecar);
    } catch (...) {
        TracePiece("CreateXmpSidecar: Could not write metadata to: ");
        TracePiece(path);
        return 0;
    }
    return 1;
}

}  // namespace

}  // namespace lumenmeta

extern "C" int CreateXmpSidecar(const char* path, bool overwrite) {
    if (!path) return 0;
    try {
        return lumenmeta::CreateSidecar(path, overwrite);
    } catch (...) {
        return 0;  // memory ran out while tracing
    }
}
