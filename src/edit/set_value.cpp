#include "edit/set_value.h"

#include "edit/clear_metadata.h"
#include "edit/edited_keys.h"
#include "edit/value_check.h"
#include "edit/xmp_property_name.h"
#include "handle/key_family.h"
#include "handle/rational_xmp_keys.h"
#include "handle/text_rules.h"
#include "platform/wide_text.h"
#include "platform/ascii.h"
#include "platform/code_page.h"
#include "platform/ole_string.h"

#include <exiv2/exiv2.hpp>

#include <memory>
#include <string>

namespace lumenmeta {

namespace {

// The host's variable keys: every value set on one of them is added to a bag
// instead of replacing what is there.
constexpr const char* kVariableKeys[] = {"Xmp.Lumenframe.Var", "Xmp.Lumenframe.VarU"};

constexpr const char* kWindowsXpTagPrefix = "Exif.Image.XP";

bool IsVariableKey(const char* key) {
    for (const char* variable : kVariableKeys) {
        if (EqualNoCase(key, variable)) return true;
    }
    return false;
}

// The value in a code page, ending at the first zero byte of the result (a
// U+0000 in the value cuts it there).
std::string NarrowText(std::u16string_view value, int codePage) {
    std::string text = CodePageFromWide(value, codePage);
    const size_t zero = text.find('\0');
    if (zero != std::string::npos) text.resize(zero);
    return text;
}

// IPTC text is stored as UTF-8 when the handle's IPTC is UTF-8 and when
// Windows-1252 cannot hold it; otherwise in Windows-1252, as old readers
// expect it.
std::string IptcText(MetaHandle& handle, std::u16string_view value) {
    if (IptcCodePage(handle) != kCodePageUtf8) {
        std::string ansi = NarrowText(value, kCodePageAnsi);
        if (WideFromCodePage(ansi, kCodePageAnsi) == UpToFirstZero(value)) return ansi;
    }
    return NarrowText(value, kCodePageUtf8);
}

void SetXmpValue(MetaHandle& handle, const char* key, std::string text) {
    if (IsVariableKey(key)) {
        const Exiv2::XmpKey xmpKey(key);
        if (handle.xmpData.findKey(xmpKey) == handle.xmpData.end()) {
            std::unique_ptr<Exiv2::Value> bag(Exiv2::Value::create(Exiv2::xmpBag).release());
            bag->read(text);
            handle.xmpData.add(xmpKey, bag.get());
        } else {
            // Assigning text to a bag datum adds it as one more item.
            handle.xmpData[key] = text;
        }
        return;
    }
    if (IsRationalXmpKey(key) && text.find('/') == std::string::npos) text += "/1";
    handle.xmpData[key] = text;
}

// Stores the text of an XP tag as the UTF-16LE bytes of its units and a zero
// unit, the form Windows reads.
void SetWindowsXpValue(MetaHandle& handle, const char* key, const std::string& utf8) {
    std::u16string units = WideFromCodePage(utf8, kCodePageUtf8);
    units.push_back(u'\0');
    std::string bytes;
    bytes.reserve(units.size() * 2);
    for (const char16_t unit : units) {
        bytes.push_back(static_cast<char>(unit & 0xFF));
        bytes.push_back(static_cast<char>(unit >> 8));
    }
    // The assignment creates the datum when there is none yet; its parsed
    // value is then replaced by the bytes.
    handle.exifData[key] = utf8;
    const auto datum = handle.exifData.findKey(Exiv2::ExifKey(key));
    if (datum == handle.exifData.end()) return;
    Exiv2::DataValue value(Exiv2::unsignedByte);
    value.read(reinterpret_cast<const Exiv2::byte*>(bytes.data()), static_cast<long>(bytes.size()),
               Exiv2::invalidByteOrder);
    datum->setValue(&value);
}

// A text the key's type cannot hold: the key keeps its values.
int Refuse(const char* key, const std::string& text, const std::string& reason) {
    TraceRefusedValue(key, text, reason);
    return 0;
}

}  // namespace

int SetValue(MetaHandle& handle, const char* key, std::u16string_view value) {
    try {
        if (value.empty()) {
            ClearKey(handle, key);
            return 1;
        }
        std::string reason;
        switch (FamilyOfKey(key)) {
            case KeyFamily::Xmp: {
                if (!CheckXmpKey(key)) return 0;
                std::string text = NarrowText(value, kCodePageUtf8);
                if (!CheckXmpText(Exiv2::XmpKey(key).key(), text, reason)) return Refuse(key, text, reason);
                SetXmpValue(handle, key, text);
                break;
            }
            case KeyFamily::Iptc: {
                const Exiv2::IptcKey iptcKey(key);
                std::string text = IptcText(handle, value);
                const Exiv2::TypeId type = Exiv2::IptcDataSets::dataSetType(iptcKey.tag(), iptcKey.record());
                if (!CheckTypedText(type, text, reason)) return Refuse(key, text, reason);
                handle.iptcData[key] = text;
                break;
            }
            case KeyFamily::Exif: {
                std::string text = NarrowText(value, kCodePageUtf8);
                if (StartsWithNoCase(key, kWindowsXpTagPrefix)) {
                    SetWindowsXpValue(handle, key, text);
                } else {
                    const Exiv2::ExifKey exifKey(key);
                    const auto held = handle.exifData.findKey(exifKey);
                    const Exiv2::TypeId type = held != handle.exifData.end() ? held->typeId() : exifKey.defaultTypeId();
                    if (!CheckExifText(exifKey.key(), type, text, reason)) return Refuse(key, text, reason);
                    handle.exifData[key] = text;
                }
                break;
            }
        }
        RecordEdit(handle, key);
        return 1;
    } catch (...) {
        return 0;
    }
}

}  // namespace lumenmeta

extern "C" int AddMetaDataW(MetaHandle* handle, const char* key, BSTR value) {
    if (!handle || !key) return 0;
    const std::u16string_view text =
        value ? std::u16string_view(value, lumenmeta::BstrLen(value)) : std::u16string_view();
    return lumenmeta::SetValue(*handle, key, text);
}
