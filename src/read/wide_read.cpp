#include "read/wide_read.h"

#include "handle/key_family.h"
#include "handle/text_rules.h"
#include "platform/code_page.h"
#include "read/lookup.h"
#include "read/user_comment.h"

#include <climits>

namespace lumenmeta {

WideValue ReadWideValue(MetaHandle& handle, const char* key, int index, bool asDecimal) noexcept {
    try {
        RenderRequest request;
        request.key = key;
        request.index = index;
        request.asDecimal = asDecimal;
        const Exiv2::Value* value = nullptr;
        switch (FamilyOfKey(key)) {
            case KeyFamily::Xmp: {
                const Exiv2::Xmpdatum* datum = FindXmpOccurrence(handle.xmpData, key, index);
                if (!datum) return WideValue();
                handle.hadXmp = true;
                value = &datum->value();
                request.codePage = kCodePageUtf8;
                request.isXmp = true;
                break;
            }
            case KeyFamily::Iptc: {
                const Exiv2::Iptcdatum* datum =
                    FindIptcOccurrence(handle.iptcData, key, index, EmptyIptcValue::NotFound);
                if (!datum) return WideValue();
                handle.hadIptc = true;
                value = &datum->value();
                // The detection runs at the first IPTC read, as the setters
                // rely on it; the text itself is decoded byte by byte: UTF-8
                // where it is valid UTF-8, Windows-1252 elsewhere.
                IptcCodePage(handle);
                request.codePage = kCodePageUtf8OrAnsi;
                break;
            }
            case KeyFamily::Exif: {
                if (index != 0) return WideValue();
                const Exiv2::Exifdatum* datum = FindExifValue(handle.exifData, key);
                if (!datum) return WideValue();
                handle.hadExif = true;
                value = &datum->value();
                request.codePage = kCodePageUtf8OrAnsi;
                if (IsUserCommentKey(key)) {
                    const std::string text = value->toString();
                    switch (ClassifyUserComment(text)) {
                        case UserCommentText::Rejected:
                            TraceRejectedUserComment(text);
                            return WideValue();
                        case UserCommentText::Utf8:
                            request.codePage = kCodePageUtf8;
                            break;
                        case UserCommentText::Ansi:
                            break;
                    }
                }
                break;
            }
        }
        return RenderValue(*value, request);
    } catch (...) {
        return WideValue();
    }
}

std::vector<WideValue> ReadEveryWideValue(MetaHandle& handle, const char* key, bool asDecimal) {
    std::vector<WideValue> values;
    const Exiv2::Xmpdatum* bag = nullptr;
    if (FamilyOfKey(key) == KeyFamily::Xmp) {
        try {
            bag = FindXmpOccurrence(handle.xmpData, key, 0);
        } catch (const Exiv2::AnyError&) {
            bag = nullptr;  // a key Exiv2 rejects: ReadWideValue delivers nothing
        }
    }
    if (bag && bag->typeId() == Exiv2::xmpBag) {
        handle.hadXmp = true;
        const Exiv2::Value& value = bag->value();
        RenderRequest request;
        request.key = key;
        request.asDecimal = asDecimal;
        request.codePage = kCodePageUtf8;
        request.isXmp = true;
        const long count = value.count();
        values.reserve(static_cast<size_t>(count));
        for (long index = 0; index < count && index < INT_MAX; ++index) {
            request.index = static_cast<int>(index);
            try {
                WideValue item = RenderValue(value, request);
                if (item.type == 0) break;
                values.push_back(std::move(item));
            } catch (const Exiv2::AnyError&) {
                break;
            }
        }
        return values;
    }
    if (FamilyOfKey(key) == KeyFamily::Iptc) {
        // The datasets that stand next to the first with the key, walked
        // once (ReadWideValue finds each from the first again).
        Exiv2::IptcData::const_iterator it;
        try {
            it = handle.iptcData.findKey(Exiv2::IptcKey(key));
        } catch (const Exiv2::AnyError&) {
            return values;
        }
        RenderRequest request;
        request.key = key;
        request.asDecimal = asDecimal;
        request.codePage = kCodePageUtf8OrAnsi;
        for (int index = 0; index < INT_MAX && it != handle.iptcData.end(); ++index, ++it) {
            if (it->key() != key || it->size() == 0) break;
            handle.hadIptc = true;
            IptcCodePage(handle);
            request.index = index;
            try {
                WideValue item = RenderValue(it->value(), request);
                if (item.type == 0) break;
                values.push_back(std::move(item));
            } catch (const Exiv2::AnyError&) {
                break;
            }
        }
        return values;
    }
    for (int index = 0; index < INT_MAX; ++index) {
        WideValue next = ReadWideValue(handle, key, index, asDecimal);
        if (next.type == 0) break;
        values.push_back(std::move(next));
    }
    return values;
}

}  // namespace lumenmeta
