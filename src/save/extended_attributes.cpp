#include "save/extended_attributes.h"

#include <sys/xattr.h>

#include <cerrno>
#include <string>
#include <vector>

namespace lumenmeta {

namespace {

// Calls `get` with a growing buffer until the whole answer fits: the list of
// names or one value. False when the file has none to give.
template <typename Get>
bool Fetch(Get get, std::string& out) {
    for (int attempt = 0; attempt < 8; ++attempt) {
        const ssize_t size = get(nullptr, 0);
        if (size < 0) return false;
        out.resize(static_cast<size_t>(size));
        const ssize_t got = get(out.data(), out.size());
        if (got >= 0 && static_cast<size_t>(got) <= out.size()) {
            out.resize(static_cast<size_t>(got));
            return true;
        }
        if (got < 0 && errno != ERANGE) return false;  // ERANGE: it grew meanwhile
    }
    return false;
}

std::vector<std::string> NamesOf(int fd) {
    std::string list;
    std::vector<std::string> names;
    if (!Fetch([fd](char* buffer, size_t size) { return ::flistxattr(fd, buffer, size); }, list)) {
        return names;
    }
    for (size_t start = 0; start < list.size();) {
        const size_t end = list.find('\0', start);
        names.push_back(list.substr(start, end - start));
        start = end == std::string::npos ? list.size() : end + 1;
    }
    return names;
}

bool Skippable(int error) {
    return error == EPERM || error == EACCES || error == ENOTSUP || error == ENODATA;
}

}  // namespace

int CopyExtendedAttributes(int from, int to) {
    const std::vector<std::string> wanted = NamesOf(from);
    for (const std::string& name : NamesOf(to)) {
        bool keep = false;
        for (const std::string& other : wanted) keep = keep || other == name;
        if (!keep) ::fremovexattr(to, name.c_str());
    }
    for (const std::string& name : wanted) {
        std::string value;
        const bool read = Fetch(
            [from, &name](char* buffer, size_t size) {
                return ::fgetxattr(from, name.c_str(), buffer, size);
            },
            value);
        if (!read) {
            if (Skippable(errno)) continue;
            return errno;
        }
        if (::fsetxattr(to, name.c_str(), value.data(), value.size(), 0) != 0 &&
            !Skippable(errno)) {
            return errno;
        }
    }
    return 0;
}

}  // namespace lumenmeta
