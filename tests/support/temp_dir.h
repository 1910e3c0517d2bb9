// A fresh directory under the system's temporary folder, removed with
// everything in it when the object goes.
#pragma once

#include <string>
#include <vector>

namespace lumenmeta::test {

class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& path() const { return path_; }
    // The path of `name` inside the directory.
    std::string File(const std::string& name) const;

private:
    std::string path_;
};

void WriteBytes(const std::string& path, const std::vector<unsigned char>& bytes);
std::vector<unsigned char> ReadBytes(const std::string& path);

}  // namespace lumenmeta::test
