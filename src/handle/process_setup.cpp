#include "handle/process_setup.h"

#include "handle/private_namespace.h"
#include "handle/xmp_toolkit.h"

#include <exiv2/exiv2.hpp>

#include <mutex>

namespace lumenmeta {

namespace {

std::mutex xmpToolkitMutex;

void LockXmpToolkit(void*, bool lock) {
    if (lock) {
        xmpToolkitMutex.lock();
    } else {
        xmpToolkitMutex.unlock();
    }
}

// Exiv2 ignores the lock function when its XMP toolkit was used before
// initialisation, so this runs when the library is loaded, before any host
// call can reach Exiv2's XMP code.
__attribute__((constructor)) void InitialiseXmpToolkit() {
    try {
        Exiv2::XmpParser::initialize(LockXmpToolkit, nullptr);
    } catch (...) {
        // Initialisation happens again, unlocked, on first use.
    }
}

std::once_flag setupOnce;

}  // namespace

void EnsureProcessSetup() {
    std::call_once(setupOnce, [] {
        XmpToolkitLock lock;
        Exiv2::XmpProperties::registerNs(kPrivateNamespaceUri, kPrivateNamespacePrefix);
        Exiv2::enableBMFF(true);
    });
}

}  // namespace lumenmeta
