// A fresh folder under the system's temporary folder, removed with everything
// in it when the object goes; and whole files as bytes.
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
    std::string File(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

void WriteBytes(const std::string& path, const std::vector<unsigned char>& bytes);
std::vector<unsigned char> ReadBytes(const std::string& path);

}  // namespace lumenmeta::test
