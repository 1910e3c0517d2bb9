#include "file_list.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <system_error>

namespace lumenmeta_tool {

namespace fs = std::filesystem;

bool LooksLikeImageFile(const std::string& path) {
    static const char* const kExtensions[] = {
        ".jpg", ".jpeg", ".jpe", ".tif", ".tiff", ".png", ".webp", ".dng", ".cr2", ".crw",
        ".nef", ".arw", ".orf", ".pef", ".rw2", ".raf", ".srw", ".psd", ".jp2", ".gif",
        ".bmp", ".exv", ".xmp", ".heic", ".avif", ".cr3",
    };
    std::string extension = fs::path(path).extension().string();
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    for (const char* known : kExtensions) {
        if (extension == known) return true;
    }
    return false;
}

namespace {

void CollectDirectory(const fs::path& directory, bool recurse, std::vector<std::string>& out) {
    std::vector<std::string> files;
    std::vector<fs::path> below;
    std::error_code error;
    for (fs::directory_iterator it(directory, error), end; !error && it != end;
         it.increment(error)) {
        std::error_code statusError;
        if (it->is_directory(statusError)) {
            if (recurse) below.push_back(it->path());
        } else if (LooksLikeImageFile(it->path().string())) {
            files.push_back(it->path().string());
        }
    }
    std::sort(files.begin(), files.end());
    std::sort(below.begin(), below.end());
    out.insert(out.end(), files.begin(), files.end());
    for (const fs::path& sub : below) CollectDirectory(sub, recurse, out);
}

}  // namespace

std::vector<std::string> ExpandInputs(const std::vector<std::string>& inputs, bool recurse) {
    std::vector<std::string> files;
    for (const std::string& input : inputs) {
        std::error_code error;
        if (fs::is_directory(input, error)) {
            CollectDirectory(input, recurse, files);
        } else {
            files.push_back(input);
        }
    }
    return files;
}

}  // namespace lumenmeta_tool
