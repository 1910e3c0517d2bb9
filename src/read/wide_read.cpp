#include "read/wide_read.h"

#include "handle/key_family.h"
#include "handle/text_rules.h"
#include "platform/code_page.h"
#include "read/lookup.h"
#include "read/user_comment.h"

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

}  // namespace lumenmeta
