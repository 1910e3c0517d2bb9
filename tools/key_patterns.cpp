#include "key_patterns.h"

#include "values.h"

#include <fnmatch.h>

namespace lumenmeta_tool {

namespace {

bool HasGlob(const std::string& word) { return word.find_first_of("*?[") != std::string::npos; }

// "Exif.GPSInfo" as the glob of its keys.
std::string AsGlob(const std::string& word) { return HasGlob(word) ? word : word + ".*"; }

}  // namespace

bool IsKeyPattern(const std::string& word) {
    const size_t dot = word.find('.');
    if (dot == std::string::npos || FamilyName(word.substr(0, dot)) != word.substr(0, dot) ||
        word.find_first_of(" =\t\n") != std::string::npos || dot + 1 >= word.size()) {
        return false;
    }
    if (HasGlob(word)) return true;
    // A group alone: one point, a name after it.
    return word.find('.', dot + 1) == std::string::npos;
}

std::vector<std::string> MatchingKeys(const std::string& pattern,
                                      const std::vector<std::string>& held) {
    const std::string glob = AsGlob(pattern);
    std::vector<std::string> keys;
    for (const std::string& key : held) {
        if (fnmatch(glob.c_str(), key.c_str(), 0) == 0) keys.push_back(key);
    }
    return keys;
}

bool IsGpsKey(const std::string& key) {
    return key.compare(0, 13, "Exif.GPSInfo.") == 0 || key.compare(0, 12, "Xmp.exif.GPS") == 0 ||
           key.compare(0, 14, "Xmp.exifEX.GPS") == 0;
}

}  // namespace lumenmeta_tool
