// File-system queries the library makes before it opens anything itself.
#pragma once

namespace lumenmeta {

// True when something exists at `path` (access(2) with F_OK).
bool FileExists(const char* path);

}  // namespace lumenmeta
