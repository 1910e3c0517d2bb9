#include "read/render.h"

#include "handle/rational_xmp_keys.h"
#include "handle/text_rules.h"
#include "platform/wide_text.h"
#include "read/components.h"
#include "read/user_comment.h"

#include <cmath>
#include <vector>

namespace lumenmeta {

namespace {

std::u16string ValueText(const Exiv2::Value& value, int codePage) {
    return WideFromValueText(value.toString(), codePage);
}

bool IsDecimalDigit(char16_t c) { return c >= u'0' && c <= u'9'; }

}  // namespace

std::u16string TextFromUtf16LeBytes(const Exiv2::Value& value) {
    const long size = value.size();
    if (size <= 0) return std::u16string();
    // Zero-filled beyond the value, so an odd last byte pairs with a zero and
    // the text always ends in a zero unit.
    std::vector<Exiv2::byte> bytes(static_cast<size_t>(size) + 4, 0);
    value.copy(bytes.data(), Exiv2::invalidByteOrder);
    std::u16string text;
    for (size_t at = 0; at + 1 < bytes.size(); at += 2) {
        const char16_t unit = static_cast<char16_t>(bytes[at] | (bytes[at + 1] << 8));
        if (unit == 0) break;
        text.push_back(unit);
    }
    return text;
}

std::u16string TrimDecimalZeros(std::u16string text) {
    size_t last = text.size();
    while (last > 3 && text[last - 1] == u'0' && IsDecimalDigit(text[last - 2])) --last;
    text.resize(last);
    return text;
}

std::u16string DecimalOfRationalProperty(const Exiv2::Value& value) {
    const double single = ComponentAsFloat(value, 0);
    std::u16string text = FormatFixed(single);
    if (std::fabs(single - ParseLeadingDouble(text)) < 1e-7) return text;
    // Single precision lost digits that six decimals show: render the
    // fraction itself.
    const Exiv2::Rational fraction = value.toRational(0);
    if (fraction.second == 0) return text;
    return TrimDecimalZeros(
        FormatFixed(static_cast<double>(fraction.first) / static_cast<double>(fraction.second)));
}

std::u16string KeepDefaultLanguage(std::u16string text) {
    constexpr std::u16string_view kDefaultEntry = u"lang=\"x-default\" ";
    const size_t entry = text.find(kDefaultEntry);
    if (entry == std::u16string::npos) return text;
    text.erase(0, entry + kDefaultEntry.size());
    const size_t next = text.find(u", lang=\"");
    if (next != std::u16string::npos) text.resize(next);
    return text;
}

WideValue RenderValue(const Exiv2::Value& value, const RenderRequest& request) {
    WideValue result;
    result.type = value.typeId();
    switch (value.typeId()) {
        case Exiv2::unsignedByte:
            result.text = TextFromUtf16LeBytes(value);
            break;
        case Exiv2::unsignedShort:
        case Exiv2::unsignedLong:
        case Exiv2::signedShort:
        case Exiv2::signedLong:
            result.text = FormatInteger(ComponentAsLong(value, 0));
            break;
        case Exiv2::unsignedRational:
        case Exiv2::signedRational:
            result.text = request.asDecimal ? FormatFixed(ComponentAsFloat(value, 0))
                                            : ValueText(value, request.codePage);
            break;
        case Exiv2::xmpBag:
            if (request.index < 0 || request.index >= value.count()) return WideValue();
            result.text = WideFromValueText(value.toString(request.index), request.codePage);
            result.type = Exiv2::asciiString;
            break;
        default:
            result.text = request.isXmp && request.asDecimal && IsRationalXmpKey(request.key)
                              ? DecimalOfRationalProperty(value)
                              : ValueText(value, request.codePage);
            break;
    }
    if (request.isXmp) result.text = KeepDefaultLanguage(std::move(result.text));
    if (IsUserCommentKey(request.key)) result.text = StripCommentCharset(std::move(result.text));
    return result;
}

}  // namespace lumenmeta
