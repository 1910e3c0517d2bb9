// Test code and the built command-line tool run in forked child processes.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace lumenmeta::test {

// What a search of the tool's output finds when it finds nothing.
inline constexpr size_t npos = std::string::npos;

const char* ToolPath();  // "" when the tool is not built

// Runs the tool as a user would: with `arguments` (no shell involved),
// standard input closed, standard output and error collected. With
// `stdoutPath` standard output goes to that file instead ("/dev/full", say);
// with `maxFileBytes` every file the tool writes is limited to that size, so
// a longer write fails (RLIMIT_FSIZE, SIGXFSZ ignored).
struct ToolRun {
    int exitCode = -1;  // -1 when the child did not exit normally
    std::string out, err;
};
ToolRun RunTool(const std::vector<std::string>& arguments, const std::string& stdoutPath = "",
                long maxFileBytes = 0);

// Runs `work` in a forked child and returns the text it returned (up to 64
// KiB); a child that throws or dies gives a text beginning "child failed".
std::string RunInChild(const std::function<std::string()>& work);

// Runs `work` in a forked child that may not write files the test made
// read-only, and returns the text it returned (up to 64 KiB). As root, chmod stops nothing,
// so the child first gives up root for the user "nobody": files and folders
// must be readable (and folders searchable) by others. A child that fails to
// drop its privileges, throws or dies gives a text beginning "child failed".
std::string RunUnprivileged(const std::function<std::string()>& work);

}  // namespace lumenmeta::test
