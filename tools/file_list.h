// The files a batch works on: files named on the command line as they are,
// and the image files found in named directories.
#pragma once

#include <string>
#include <vector>

namespace lumenmeta_tool {

// Whether the file name has the extension of an image format the tool
// looks for in directories (JPEG, TIFF, PNG, WebP, raw formats, XMP, ...).
bool LooksLikeImageFile(const std::string& path);

// The files to process, in order: a named file is kept as it is (also a
// missing one, so that it fails with its own line); a directory gives its
// image files, sorted by name, and with `recurse` those of every directory
// below it. A directory without `recurse` that holds sub-directories still
// gives only its own files. Only regular files are taken from directories.
// Symbolic links met inside a directory are not followed, so the walk stays
// in the named trees; with `followLinks` they are, and each folder and file
// is taken once (by device and inode), which ends a loop. A named directory
// is walked even when the name is a link. With `skipSidecars` the XMP
// sidecars in directories are left out: they go with their images.
//
// The files taken from folders without `followLinks` are remembered: they
// are worked on without following a link at their name (FoundInFolder).
std::vector<std::string> ExpandInputs(const std::vector<std::string>& inputs, bool recurse,
                                      bool followLinks, bool skipSidecars = false);

// Whether ExpandInputs took `path` from a folder, where it was no link (so
// a link there now was put there since, and is not followed).
bool FoundInFolder(const std::string& path);

// Where such a file was found: the named folder's descriptor, held open for
// the whole run, and the path of the file's folder below it ("" for the named
// folder itself). Null for a file the walk did not find.
struct FoundFile {
    int root;
    std::string below;
};
const FoundFile* FoundEntry(const std::string& path);

}  // namespace lumenmeta_tool
