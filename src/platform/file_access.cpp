#include "platform/file_access.h"

#include <unistd.h>

namespace lumenmeta {

bool FileExists(const char* path) { return path && access(path, F_OK) == 0; }

}  // namespace lumenmeta
