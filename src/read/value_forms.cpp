#include "read/value_forms.h"

#include "platform/code_page.h"
#include "read/render.h"

#include <charconv>
#include <cstring>
#include <sstream>
#include <string_view>
#include <type_traits>
#include <typeinfo>
#include <unordered_map>

namespace lumenmeta {

namespace {

// Narrow Exif and IPTC text as UTF-8, up to its first zero byte. ASCII, by
// far the most text, is kept as it is.
std::string Utf8UpToZero(std::string text) {
    const size_t zero = text.find('\0');
    if (zero != std::string::npos) text.resize(zero);
    if (IsAscii(text)) return text;
    return Utf8FromNarrowText(text);
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

const Exiv2::CommentValue* AsComment(const Exiv2::Value& value) {
    return value.typeId() == Exiv2::undefined ? dynamic_cast<const Exiv2::CommentValue*>(&value)
                                              : nullptr;
}

// One string stream per thread for the texts Exiv2 writes to a stream: a
// listing makes two texts per value, and setting up a new stream (its
// locale and facets) costs more than most values' text. Each use starts
// from a fresh state, as a print may leave flags, precision or fill set.
std::ostringstream& CleanStream() {
    thread_local std::ostringstream stream;
    stream.str(std::string());
    stream.clear();
    stream.flags(std::ios_base::dec | std::ios_base::skipws);
    stream.precision(6);
    stream.width(0);
    stream.fill(' ');
    return stream;
}

// Value::toString() and Metadatum::print() without a stream of their own.
std::string WholeText(const Exiv2::Value& value) {
    std::ostringstream& stream = CleanStream();
    value.write(stream);
    return stream.str();
}

std::string Printed(const Exiv2::Metadatum& datum, const Exiv2::ExifData* exif) {
    std::ostringstream& stream = CleanStream();
    datum.write(stream, exif);
    return stream.str();
}

// The print function Exiv2 gives a tag it does not know, which prints the
// value as it is; null if its table cannot be read.
Exiv2::PrintFct PlainPrinter() {
    static const Exiv2::PrintFct plain = [] {
        const Exiv2::TagInfo* list = Exiv2::ExifTags::tagList("Image");
        if (!list) return Exiv2::PrintFct{};
        while (list->tag_ != 0xffff) ++list;
        return list->printFct_;
    }();
    return plain;
}

// Whether Exiv2 prints this value as it is, so that its readable text is its
// stored text: an IPTC value always; an Exif tag whose entry in Exiv2's table
// names the plain print function. Exiv2 takes the first entry with the tag's
// number in its group's list. Each tag is looked up once per thread.
bool PrintedAsStored(const Exiv2::Metadatum& datum) {
    if (std::strcmp(datum.familyName(), "Iptc") == 0) return true;
    if (typeid(datum) != typeid(Exiv2::Exifdatum) || !PlainPrinter()) return false;
    const auto* exif = static_cast<const Exiv2::Exifdatum*>(&datum);
    thread_local std::unordered_map<uint32_t, bool> known;
    const uint32_t id = static_cast<uint32_t>(exif->ifdId()) << 16 | exif->tag();
    const auto found = known.find(id);
    if (found != known.end()) return found->second;
    bool plain = false;
    if (const Exiv2::TagInfo* entry = Exiv2::ExifTags::tagList(exif->groupName())) {
        while (entry->tag_ != 0xffff && entry->tag_ != exif->tag()) ++entry;
        plain = entry->printFct_ == PlainPrinter();
    }
    known.emplace(id, plain);
    return plain;
}

// The text Exiv2 writes of an integer or rational value, without a stream:
// each component in decimal (a rational as numerator/denominator), blank
// separated. False, and `text` untouched, for a value of another class.
template <typename T>
bool NumbersText(const Exiv2::Value& value, std::string& text) {
    if (typeid(value) != typeid(Exiv2::ValueType<T>)) return false;
    const auto& components = static_cast<const Exiv2::ValueType<T>&>(value).value_;
    char piece[32];  // two 32-bit numbers and a slash at most
    for (auto it = components.begin(); it != components.end(); ++it) {
        if (it != components.begin()) text += ' ';
        if constexpr (std::is_integral_v<T>) {
            text.append(piece, std::to_chars(piece, piece + sizeof piece, *it).ptr);
        } else {
            char* at = std::to_chars(piece, piece + 12, it->first).ptr;
            *at++ = '/';
            text.append(piece, std::to_chars(at, piece + sizeof piece, it->second).ptr);
        }
    }
    return true;
}

bool IsXmpArray(const Exiv2::Value& value) {
    return value.typeId() == Exiv2::xmpBag || value.typeId() == Exiv2::xmpSeq ||
           value.typeId() == Exiv2::xmpAlt;
}

}  // namespace

bool IsXpTag(const Exiv2::Metadatum& datum) {
    // XPTitle, XPComment, XPAuthor, XPKeywords, XPSubject in IFD0.
    return datum.tag() >= 0x9c9b && datum.tag() <= 0x9c9f &&
           std::strcmp(datum.familyName(), "Exif") == 0 && datum.groupName() == "Image";
}

bool HasItems(const Exiv2::Value& value) { return AsLangAlt(value) || IsXmpArray(value); }

std::vector<ValueItem> ItemsOf(const Exiv2::Metadatum& datum) {
    if (datum.count() == 0) return {ValueItem{}};
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
    if (datum.count() == 0) return "";  // an empty value, or a datum without one
    const Exiv2::Value& value = datum.value();
    if (const Exiv2::LangAltValue* alternative = AsLangAlt(value)) {
        if (item.language.empty()) return "";
        const auto found = alternative->value_.find(item.language);
        return found == alternative->value_.end() ? "" : found->second;
    }
    if (IsXmpArray(value)) return item.item >= 0 && item.item < value.count() ? value.toString(item.item) : "";
    // Text values are their string, which is what Exiv2 writes of them: an
    // XMP text outside an array or struct, IPTC and Exif strings (whose
    // trailing zeros Exiv2 drops, as the cut at the first zero does). The
    // class is compared exactly: a dynamic_cast costs more than the stream.
    if (typeid(value) == typeid(Exiv2::XmpTextValue)) {
        const auto& text = static_cast<const Exiv2::XmpTextValue&>(value);
        if (text.xmpArrayType() == Exiv2::XmpValue::xaNone &&
            text.xmpStruct() == Exiv2::XmpValue::xsNone) {
            return text.value_;
        }
    }
    if (std::strcmp(datum.familyName(), "Xmp") == 0) return WholeText(value);
    if (typeid(value) == typeid(Exiv2::AsciiValue) || typeid(value) == typeid(Exiv2::StringValue)) {
        return Utf8UpToZero(static_cast<const Exiv2::StringValueBase&>(value).value_);
    }
    if (value.typeId() == Exiv2::unsignedByte && IsXpTag(datum)) {
        return CodePageFromWide(TextFromUtf16LeBytes(value), kCodePageUtf8);
    }
    if (const Exiv2::CommentValue* comment = AsComment(value)) {
        // Exiv2 drops the character-set header and converts UCS-2 to UTF-8.
        return Utf8UpToZero(comment->comment());
    }
    std::string numbers;
    if (NumbersText<uint16_t>(value, numbers) || NumbersText<uint32_t>(value, numbers) ||
        NumbersText<int16_t>(value, numbers) || NumbersText<int32_t>(value, numbers) ||
        NumbersText<Exiv2::URational>(value, numbers) || NumbersText<Exiv2::Rational>(value, numbers)) {
        return numbers;
    }
    return Utf8UpToZero(WholeText(value));
}

std::string ReadableText(const Exiv2::Metadatum& datum, const ValueItem& item,
                         const Exiv2::ExifData* exif, const std::string& stored) {
    try {
        // Items, empty values, the user comment (whose print keeps the
        // character-set prefix) and values Exiv2 prints unchanged: their
        // readable text is their stored text.
        if (item.item >= 0 || datum.count() == 0 || AsComment(datum.value()) ||
            PrintedAsStored(datum)) {
            return TrimTrailingBlanks(stored);
        }
        std::string printed = Printed(datum, exif);
        if (std::strcmp(datum.familyName(), "Xmp") != 0) printed = Utf8UpToZero(printed);
        return TrimTrailingBlanks(printed);
    } catch (...) {
        return TrimTrailingBlanks(stored);
    }
}

}  // namespace lumenmeta
