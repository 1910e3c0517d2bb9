#include "save/file_calls.h"

#include <fcntl.h>
#include <stdio.h>
#include <unistd.h>

namespace lumenmeta {

namespace {

// openat(2) is variadic; the pointer needs a fixed signature.
int OpenAt(int folder, const char* name, int flags, mode_t mode) {
    return ::openat(folder, name, flags, mode);
}

}  // namespace

FileCalls SystemFileCalls() { return FileCalls{OpenAt, ::fsync, ::linkat, ::renameat}; }

FileCalls fileCalls = SystemFileCalls();

}  // namespace lumenmeta
