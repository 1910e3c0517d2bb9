// Exiv2 0.27's XMP toolkit must not be entered from several threads at once:
// it parses XMP inside Image::readMetadata, serialises it inside
// Image::writeMetadata and XmpParser::encode, and registers the namespaces
// it meets as it goes. Every such call of the library goes through the
// functions here, which hold one process-wide lock for it; everything else
// (containers, converters, file I/O) runs in parallel.
#pragma once

#include <exiv2/exiv2.hpp>

#include <mutex>

namespace lumenmeta {

// Holds the XMP toolkit lock for its lifetime.
class XmpToolkitLock {
public:
    XmpToolkitLock();
    ~XmpToolkitLock();
    XmpToolkitLock(const XmpToolkitLock&) = delete;
    XmpToolkitLock& operator=(const XmpToolkitLock&) = delete;

private:
    std::unique_lock<std::mutex> lock_;
    XmpToolkitLock* outer_;
    friend class XmpToolkitPause;
};

// Lets go of the lock this thread holds, if any, for its lifetime: for work
// inside a locked call that does not touch XMP, such as storing a file.
class XmpToolkitPause {
public:
    XmpToolkitPause();
    ~XmpToolkitPause();
    XmpToolkitPause(const XmpToolkitPause&) = delete;
    XmpToolkitPause& operator=(const XmpToolkitPause&) = delete;

private:
    XmpToolkitLock* held_;
};

void ReadImageMetadata(Exiv2::Image& image);
void WriteImageMetadata(Exiv2::Image& image);

}  // namespace lumenmeta
