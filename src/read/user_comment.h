// The Exif user comment: Exiv2 renders it with a character-set prefix
// ("charset=Ascii Hello", "charset=Unicode ..."), which decides the code page
// of its text and which a wide read removes.
#pragma once

#include <string>

namespace lumenmeta {

// True when `key` names the Exif user comment, ASCII case ignored.
bool IsUserCommentKey(const char* key);

enum class UserCommentText {
    Ansi,      // code page 0, like other Exif text
    Utf8,      // declared Unicode: Exiv2 hands it out as UTF-8
    Rejected,  // an unknown character set or binary content: not delivered
};

// Classifies the comment by the beginning of Exiv2's text for it.
UserCommentText ClassifyUserComment(const std::string& text);

// Sends the trace for a rejected comment: "Invalid Exif.Photo.UserComment: ",
// the text, and a line end, as three pieces.
void TraceRejectedUserComment(const std::string& text);

// Removes the character-set prefix from a comment's wide text: after a quoted
// charset name everything up to the closing quote and its blank; after
// "charset=Ascii" everything up to there (a following blank stays); after
// "charset=Unicode " everything up to there. Other text is kept whole.
std::u16string StripCommentCharset(std::u16string text);

}  // namespace lumenmeta
