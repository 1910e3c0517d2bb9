#include "lumenmeta.h"

#include <exiv2/exiv2.hpp>

// LUMENMETA_LIBRARY_VERSION comes from the project's version in CMake.
extern "C" const char* GetLumenmetaVersion(void) { return LUMENMETA_LIBRARY_VERSION; }

extern "C" const char* GetExiv2Version(void) { return Exiv2::version(); }
