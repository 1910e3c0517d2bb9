#pragma once

namespace lumenmeta_tool {

// `lumenmeta demo`: writes the sample image into a new temporary folder and
// prints what the library reads from it. Returns the exit code.
int RunDemo();

}  // namespace lumenmeta_tool
