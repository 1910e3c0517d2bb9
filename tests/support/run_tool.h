// Runs the built command-line tool as a user would: a child process with the
// given arguments, its standard output and error collected.
#pragma once

#include <string>
#include <vector>

namespace lumenmeta::test {

struct ToolRun {
    int exitCode = -1;  // -1 when the child did not exit normally
    std::string out;
    std::string err;
};

// The path of the built tool ("" when the tool is not built).
const char* ToolPath();

// Runs the tool with `arguments` (no shell involved), standard input closed.
ToolRun RunTool(const std::vector<std::string>& arguments);

}  // namespace lumenmeta::test
