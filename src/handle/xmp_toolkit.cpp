#include "handle/xmp_toolkit.h"

namespace lumenmeta {

namespace {

std::mutex toolkitMutex;
thread_local XmpToolkitLock* heldByThisThread = nullptr;

}  // namespace

XmpToolkitLock::XmpToolkitLock() : lock_(toolkitMutex), outer_(heldByThisThread) {
    heldByThisThread = this;
}

XmpToolkitLock::~XmpToolkitLock() { heldByThisThread = outer_; }

XmpToolkitPause::XmpToolkitPause() : held_(heldByThisThread) {
    if (held_) held_->lock_.unlock();
}

XmpToolkitPause::~XmpToolkitPause() {
    if (held_) held_->lock_.lock();
}

void ReadImageMetadata(Exiv2::Image& image) {
    XmpToolkitLock lock;
    image.readMetadata();
}

void WriteImageMetadata(Exiv2::Image& image) {
    XmpToolkitLock lock;
    image.writeMetadata();
}

}  // namespace lumenmeta
