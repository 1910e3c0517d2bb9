#include "read/value_forms.h"

#include "platform/code_page.h"
#include "read/render.h"

#include <string_view>

namespace lumenmeta {

namespace {

// Narrow Exif and IPTC text as UTF-8, up to its first zero byte.
std::string Utf8UpToZero(const std::string& text) {
    return Utf8FromNarrowText(std::string_view(text.c_str()));
}

std::string TrimTrailingBlanks(std::string text) {
    const size_t end = text.find_last_not_of(" \t\r\n");
    text.resize(end == std::string::npos ? 0 : end + 1);
    return text;
}

const Exiv2::LangAltValue* AsLangAlt(const Exiv2::Value& value) {
    return value.typeId() == Exiv2::langAlt ? dynamic_cast<const Exiv2::LangAltValue*>(&value)
                                            : nullptr;
}

bool IsXmpArray(const Exiv2::Value& value) {
    return value.typeId() == Exiv2::xmpBag || value.typeId() == Exiv2::xmpSeq ||
           value.typeId() == Exiv2::xmpAlt;
}

}  // namespace

bool IsXpTag(const Exiv2::Metadatum& datum) {
    // XPTitle, XPComment, XPAuthor, XPKeywords, XPSubject in IFD0.
    return datum.familyName() == std::string("Exif") && datum.groupName() == "Image" &&
           datum.tag() >= 0x9c9b && datum.tag() <= 0x9c9f;
}

std::vector<ValueItem> ItemsOf(const Exiv2::Metadatum& datum) {
    const Exiv2::Value& value = datum.value();
    std::vector<ValueItem> items;
    if (const Exiv2::LangAltValue* alternative = AsLangAlt(value)) {
        const auto& entries = alternative->value_;
        if (entries.count("x-default")) items.push_back({0, "x-default"});
        for (const auto& [language, text] : entries) {
            if (language != "x-default") items.push_back({static_cast<int>(items.size()), language});
        }
    } else if (IsXmpArray(value)) {
        for (long i = 0; i < value.count(); ++i) items.push_back({static_cast<int>(i), ""});
    }
    if (items.empty()) items.push_back({});
    return items;
}

std::string StoredText(const Exiv2::Metadatum& datum, const ValueItem& item) {
    const Exiv2::Value& value = datum.value();
    if (const Exiv2::LangAltValue* alternative = AsLangAlt(value)) {
        if (item.language.empty()) return "";
        const auto found = alternative->value_.find(item.language);
        return found == alternative->value_.end() ? "" : found->second;
    }
    if (IsXmpArray(value)) return item.item >= 0 && item.item < value.count() ? value.toString(item.item) : "";
    if (datum.familyName() == std::string("Xmp")) return value.toString();
    if (IsXpTag(datum) && value.typeId() == Exiv2::unsignedByte) {
        return CodePageFromWide(TextFromUtf16LeBytes(value), kCodePageUtf8);
    }
    if (const auto* comment = dynamic_cast<const Exiv2::CommentValue*>(&value)) {
        // Exiv2 drops the character-set header and converts UCS-2 to UTF-8.
        return Utf8UpToZero(comment->comment());
    }
    return Utf8UpToZero(value.toString());
}

std::string ReadableText(const Exiv2::Metadatum& datum, const ValueItem& item,
                         const Exiv2::ExifData* exif, const std::string& stored) {
    try {
        // Items, empty values and the user comment (whose print keeps the
        // character-set prefix) read as they are stored.
        if (item.item >= 0 || datum.value().count() == 0 ||
            dynamic_cast<const Exiv2::CommentValue*>(&datum.value())) {
            return TrimTrailingBlanks(stored);
        }
        std::string printed = datum.print(exif);
        if (datum.familyName() != std::string("Xmp")) printed = Utf8UpToZero(printed);
        return TrimTrailingBlanks(printed);
    } catch (...) {
        return TrimTrailingBlanks(stored);
    }
}

}  // namespace lumenmeta
