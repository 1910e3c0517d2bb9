#include "image_file.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>

namespace lumenmeta_tool {

bool FileExists(const std::string& path) {
    std::error_code error;
    return std::filesystem::exists(path, error);
}

Handle OpenImage(const std::string& path, std::string& reason) {
    std::error_code error;
    if (!std::filesystem::exists(path, error)) {
        reason = "no such file";
        return nullptr;
    }
    if (std::filesystem::is_directory(path, error)) {
        reason = "is a directory";
        return nullptr;
    }
    Handle handle(OpenMetaHandle(path.c_str(), 0));
    if (!handle) {
        reason = "out of memory";
        return nullptr;
    }
    // A handle whose image could not be read reports no size at all.
    int width = 0, height = 0;
    if (!GetImageSize(handle.get(), &width, &height)) {
        reason = "not an image file the library can read";
        return nullptr;
    }
    return handle;
}

bool ReadFile(const std::string& path, std::string& bytes) {
    std::ifstream file(path, std::ios::binary);
    if (!file) return false;
    bytes.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    return !file.bad();
}

}  // namespace lumenmeta_tool
