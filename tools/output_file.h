// Files the tool writes itself (the thumbnail --extract takes out), written
// as the library writes images: only a regular file is replaced, or a new
// one made; a symbolic link, FIFO or device at the name is refused, not
// followed or opened; and the content goes into a new file beside it that is
// flushed to disk and only then renamed over the name, so a write stopped at
// any point leaves the old file or the new one, never a part.
#pragma once

#include <string>
#include <vector>

namespace lumenmeta_tool {

// Writes `bytes` to `path` so. Returns "" or the reason it was not written.
std::string WriteOutputFile(const std::string& path, const std::vector<unsigned char>& bytes);

}  // namespace lumenmeta_tool
