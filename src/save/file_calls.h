// The system calls by which the writer makes a replacement durable and puts it
// in place. The writer reaches them through these pointers, which tests may
// point at their own functions (calling on to the real ones) to watch their
// order or to make one fail; nothing else changes them.
#pragma once

#include <sys/types.h>

namespace lumenmeta {

struct FileCalls {
    int (*openat)(int folder, const char* name, int flags, mode_t mode);
    int (*fsync)(int fd);
    int (*linkat)(int fromFolder, const char* from, int toFolder, const char* to, int flags);
    int (*renameat)(int fromFolder, const char* from, int toFolder, const char* to);
};

// The calls in use; initially the system's own.
extern FileCalls fileCalls;

// The system's own calls, for restoring fileCalls.
FileCalls SystemFileCalls();

}  // namespace lumenmeta
