// Text conversions of the tool: the library speaks UTF-16, the terminal UTF-8.
#pragma once

#include "lumenmeta.h"

#include <string>

namespace lumenmeta_tool {

// UTF-8 of UTF-16 text; a lone surrogate becomes U+FFFD.
std::string Utf8FromWide(const std::u16string& text);

// UTF-16 of UTF-8 text; each ill-formed byte becomes U+FFFD.
std::u16string WideFromUtf8(const std::string& text);

// Whether `bytes` are well-formed UTF-8.
bool IsValidUtf8(const std::string& bytes);

// `text` as it is safe to print on a terminal: control characters (C0, DEL
// and C1), the direction controls (U+202E and its kin) and bytes that are
// not UTF-8 are shown escaped, as "\x1b", "\u009b" or "\u202e", and a
// backslash as "\\", so an escape is never mistaken for the same text
// typed; everything else is left as it is. JSON output does not use it.
std::string Shown(const std::string& text);

// How an Exif text is shown. The library reads Exif text as Windows-1252,
// while values set through it are stored as UTF-8; so the text goes back to
// its bytes, and bytes that are valid UTF-8 are shown as UTF-8, anything else
// as Windows-1252. Text that has no Windows-1252 form (the XP tags, read as
// UTF-16) is shown as it is.
std::string ExifDisplayText(const std::u16string& text);

// A BSTR owned by the tool, freed with SysFreeString.
class Bstr {
public:
    explicit Bstr(const std::string& utf8);
    Bstr() = default;
    ~Bstr() { SysFreeString(text_); }
    Bstr(const Bstr&) = delete;
    Bstr& operator=(const Bstr&) = delete;
    BSTR get() const { return text_; }
    BSTR* out() { return &text_; }
    std::u16string Text() const;

private:
    BSTR text_ = nullptr;
};

}  // namespace lumenmeta_tool
