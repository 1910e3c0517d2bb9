// The tool's help texts: the overview and one page per command.
#pragma once

#include <string>

namespace lumenmeta_tool {

// The overview of every command.
const char* OverviewHelp();

// The help of `command`, with examples; nullptr for an unknown command.
const char* CommandHelp(const std::string& command);

}  // namespace lumenmeta_tool
