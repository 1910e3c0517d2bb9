// Comparisons of narrow text: case-insensitive ones that fold ASCII letters
// only, whatever the locale (the semantics of _stricmp and _strnicmp), and
// an exact prefix test.
#pragma once

#include <cstddef>
#include <string_view>

namespace lumenmeta {

// < 0, 0 or > 0 as `a` sorts before, equal to or after `b`, letters folded to
// lower case.
int CompareNoCase(const char* a, const char* b);

// The same over at most `count` characters.
int CompareNoCaseN(const char* a, const char* b, size_t count);

inline bool EqualNoCase(const char* a, const char* b) { return CompareNoCase(a, b) == 0; }

// True when `text` begins with `prefix`, letters folded.
bool StartsWithNoCase(const char* text, const char* prefix);

// True when `text` begins with `prefix`, byte for byte.
inline bool StartsWith(std::string_view text, std::string_view prefix) {
    return text.substr(0, prefix.size()) == prefix;
}

}  // namespace lumenmeta
