// How keys and values cross the interface: which code page each conversion
// uses, how result strings are made and how caller buffers are filled. The
// reading and editing exports all go through these helpers.
#pragma once

#include "lumenmeta.h"

#include <exiv2/exiv2.hpp>

#include <string>
#include <string_view>

namespace lumenmeta {

// A wide key as the narrow, code page 0 key that Exiv2 takes; the key ends at
// its first zero unit. `key` must not be null. Throws std::bad_alloc.
std::string NarrowKeyFromWide(const char16_t* key);

// A value's narrow text as wide text in `codePage` (0 or 65001); the text ends
// at its first zero byte. The result never has more units than that text has
// bytes.
std::u16string WideFromValueText(std::string_view text, int codePage);

// The code page of the handle's IPTC text: detected from its IPTC data on the
// first call (65001 when it declares or holds UTF-8, else 0) and kept for the
// rest of the handle's life, edits notwithstanding.
int IptcCodePage(MetaHandle& handle);

// A new BSTR holding `text` up to its first zero unit, owned by the caller.
// Null when memory is short.
BSTR NewResultBstr(std::u16string_view text);

// Fills a caller's buffer of `count` wide characters as wcsncpy does: the
// text up to its first zero unit, at most `count` units, the rest of the
// buffer zero-filled; no terminator when the text fills the buffer.
void CopyToWideBuffer(std::u16string_view text, char16_t* buffer, int count);

// Fills a caller's byte buffer as strncpy does: `text` up to its first zero
// byte, at most `size` bytes, the rest zero-filled; no terminator when the
// text fills the buffer.
void CopyTextToNarrowBuffer(std::string_view text, char* buffer, int size);

// Fills a caller's byte buffer with an Exif or XMP value: its text (as
// CopyTextToNarrowBuffer) for ASCII and undefined values and for any value
// whose binary form does not fit; otherwise its binary form in little-endian
// order, unterminated, the rest of the buffer untouched.
void CopyValueToNarrowBuffer(const Exiv2::Value& value, char* buffer, int size);

// Fills a caller's byte buffer with IPTC text: with L the text's length up to
// its first zero byte, min(size, L + 1) bytes, then a zero byte at
// min(L, size). The buffer needs room for size + 1 bytes; the result is
// always terminated.
void CopyIptcTextToBuffer(std::string_view text, char* buffer, int size);

}  // namespace lumenmeta
