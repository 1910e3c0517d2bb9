#include "file_list.h"

#include <algorithm>
#include <cctype>
#include <fcntl.h>
#include <filesystem>
#include <map>
#include <set>
#include <sys/stat.h>
#include <system_error>
#include <utility>

namespace lumenmeta_tool {

namespace fs = std::filesystem;

namespace {

std::string LowerExtension(const std::string& path) {
    std::string extension = fs::path(path).extension().string();
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return extension;
}

}  // namespace

bool LooksLikeImageFile(const std::string& path) {
    static const char* const kExtensions[] = {
        ".jpg", ".jpeg", ".jpe", ".tif", ".tiff", ".png", ".webp", ".dng", ".cr2", ".crw",
        ".nef", ".arw", ".orf", ".pef", ".rw2", ".raf", ".srw", ".psd", ".jp2", ".gif",
        ".bmp", ".exv", ".xmp", ".heic", ".avif", ".cr3",
    };
    const std::string extension = LowerExtension(path);
    for (const char* known : kExtensions) {
        if (extension == known) return true;
    }
    return false;
}

namespace {

std::map<std::string, FoundFile>& FoundFiles() {
    static std::map<std::string, FoundFile> found;
    return found;
}

}  // namespace

bool FoundInFolder(const std::string& path) { return FoundFiles().count(path) != 0; }

const FoundFile* FoundEntry(const std::string& path) {
    const auto found = FoundFiles().find(path);
    return found == FoundFiles().end() ? nullptr : &found->second;
}

namespace {

// A directory walk. Symbolic links are skipped unless `followLinks`; then
// every folder and file is taken once, by device and inode, so a link that
// loops back (`ln -s . self`) ends there. Only regular files are collected:
// a FIFO or device named like an image would block or never end.
class Walk {
public:
    Walk(bool recurse, bool followLinks, bool skipSidecars)
        : recurse_(recurse), followLinks_(followLinks), skipSidecars_(skipSidecars) {}

    // `root` is the named folder's descriptor, held for the whole run, and
    // `below` the path of `directory` under it ("" for the named folder).
    void Directory(const fs::path& directory, int root, const std::string& below,
                   std::vector<std::string>& out) {
        if (!FirstVisit(directory)) return;
        std::vector<std::string> files;
        std::vector<fs::path> folders;
        std::error_code error;
        for (fs::directory_iterator it(directory, error), end; !error && it != end;
             it.increment(error)) {
            // The type comes with the folder's listing where the file system
            // gives it: only a link, when links are followed, or an entry of
            // unknown type costs a call of its own.
            std::error_code statusError;
            const bool link = !followLinks_ && it->is_symlink(statusError);
            if (statusError || link) continue;
            const bool directory = it->is_directory(statusError);
            if (statusError) continue;
            if (directory) {
                if (recurse_) folders.push_back(it->path());
            } else if (it->is_regular_file(statusError) && !statusError &&
                       LooksLikeImageFile(it->path().string()) &&
                       !(skipSidecars_ && LowerExtension(it->path().string()) == ".xmp") &&
                       (!followLinks_ || FirstVisit(it->path()))) {
                files.push_back(it->path().string());
            }
        }
        std::sort(files.begin(), files.end());
        std::sort(folders.begin(), folders.end());
        out.insert(out.end(), files.begin(), files.end());
        if (!followLinks_) {
            for (const std::string& file : files) FoundFiles()[file] = {root, below};
        }
        for (const fs::path& sub : folders) {
            const std::string name = sub.filename().string();
            Directory(sub, root, below.empty() ? name : below + "/" + name, out);
        }
    }

private:
    bool FirstVisit(const fs::path& path) {
        struct stat info;
        if (stat(path.c_str(), &info) != 0) return false;
        return seen_.insert({info.st_dev, info.st_ino}).second;
    }

    bool recurse_, followLinks_, skipSidecars_;
    std::set<std::pair<dev_t, ino_t>> seen_;
};

}  // namespace

std::vector<std::string> ExpandInputs(const std::vector<std::string>& inputs, bool recurse,
                                      bool followLinks, bool skipSidecars) {
    std::vector<std::string> files;
    Walk walk(recurse, followLinks, skipSidecars);
    for (const std::string& input : inputs) {
        std::error_code error;
        if (fs::is_directory(input, error)) {
            // The named folder is held open (a link there, named by the user,
            // is followed): the files found below it are opened through it
            // later, each folder on the way without following a link.
            const int root = followLinks ? -1
                                         : open(input.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
            walk.Directory(input, root, "", files);
        } else {
            files.push_back(input);
        }
    }
    return files;
}

}  // namespace lumenmeta_tool
