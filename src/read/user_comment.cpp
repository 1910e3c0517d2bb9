#include "read/user_comment.h"

#include "platform/ascii.h"
#include "platform/debug_trace.h"

#include <string_view>

namespace lumenmeta {

namespace {

// Drops everything up to and including the first `marker` found at or after
// `from`; false, with the text unchanged, when there is none.
bool CutThrough(std::u16string& text, std::u16string_view marker, size_t from = 0) {
    const size_t at = text.find(marker, from);
    if (at == std::u16string::npos) return false;
    text.erase(0, at + marker.size());
    return true;
}

}  // namespace

bool IsUserCommentKey(const char* key) { return EqualNoCase(key, "Exif.Photo.UserComment"); }

UserCommentText ClassifyUserComment(const std::string& text) {
    if (StartsWith(text, "charset=\"Unicode\"") || StartsWith(text, "charset=Unicode")) {
        return UserCommentText::Utf8;
    }
    if (StartsWith(text, "charset=InvalidCharsetId") ||
        StartsWith(text, "charset=\"InvalidCharsetId") || StartsWith(text, "binary comment")) {
        return UserCommentText::Rejected;
    }
    return UserCommentText::Ansi;
}

void TraceRejectedUserComment(const std::string& text) {
    TracePiece("Invalid Exif.Photo.UserComment: ");
    TracePiece(text);
    TracePiece("\n");
}

std::u16string StripCommentCharset(std::u16string text) {
    constexpr std::u16string_view kQuoted = u"charset=\"";
    const size_t quoted = text.find(kQuoted);
    if (quoted != std::u16string::npos) {
        // The name's closing quote and the blank after it end the prefix.
        CutThrough(text, u"\" ", quoted + kQuoted.size());
        return text;
    }
    if (CutThrough(text, u"charset=Ascii")) return text;
    CutThrough(text, u"charset=Unicode ");
    return text;
}

}  // namespace lumenmeta
