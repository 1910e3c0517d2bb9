#include "edit/typed_setter.h"

#include "edit/edited_keys.h"
#include "edit/value_check.h"

#include <exiv2/exiv2.hpp>

#include <memory>

namespace lumenmeta {

namespace {

using ValuePtr = std::unique_ptr<Exiv2::Value>;

// A new, empty value of the Exiv2 type with the number `type`. Numbers that
// are not type identifiers at all are refused like a value Exiv2 cannot make.
ValuePtr MakeValue(int type) {
    if (type < 0 || type > Exiv2::lastTypeId) {
        throw Exiv2::Error(Exiv2::kerInvalidTypeValue);
    }
    return ValuePtr(Exiv2::Value::create(static_cast<Exiv2::TypeId>(type)).release());
}

// The value of `type` that `text` gives. A text the type cannot hold is
// refused with a trace line, and the key keeps its values.
ValuePtr ValueFromText(const char* key, int type, const std::string& text) {
    ValuePtr value = MakeValue(type);
    std::string checked = text, reason;
    if (!CheckTypedText(value->typeId(), checked, reason)) {
        TraceRefusedValue(key, text, reason);
        throw Exiv2::Error(Exiv2::kerInvalidTypeValue);
    }
    value->read(checked);
    return value;
}

// The IPTC attempt. Returns 0 when stored, 2 when the key is not an IPTC
// key, 1 when the value failed, or the non-zero code of IptcData::add.
int TryIptc(Exiv2::IptcData& data, const char* key, const std::string& text, int type,
            TypedStore store) {
    std::unique_ptr<Exiv2::IptcKey> iptcKey;
    try {
        iptcKey = std::make_unique<Exiv2::IptcKey>(key);
    } catch (...) {
        return kTypedKeyRefused;
    }
    try {
        const int valueType =
            type != 0 ? type : Exiv2::IptcDataSets::dataSetType(iptcKey->tag(), iptcKey->record());
        const ValuePtr value = ValueFromText(key, valueType, text);
        if (store == TypedStore::Replace) {
            const auto datum = data.findKey(*iptcKey);
            if (datum != data.end()) {
                datum->setValue(value.get());
                return kTypedStored;
            }
        }
        return data.add(*iptcKey, value.get());
    } catch (...) {
        return kTypedValueRefused;
    }
}

// The Exif attempt. Returns 0 when stored; otherwise the code reached so far,
// raised to 1 when the Exif key was accepted and the value failed.
int TryExif(Exiv2::ExifData& data, const char* key, const std::string& text, int type,
            TypedStore store, int codeSoFar) {
    std::unique_ptr<Exiv2::ExifKey> exifKey;
    try {
        exifKey = std::make_unique<Exiv2::ExifKey>(key);
    } catch (...) {
        return codeSoFar;
    }
    try {
        const ValuePtr value = ValueFromText(key, type != 0 ? type : Exiv2::asciiString, text);
        if (store == TypedStore::Replace) {
            const auto datum = data.findKey(*exifKey);
            if (datum != data.end()) {
                datum->setValue(value.get());
                return kTypedStored;
            }
        }
        data.add(*exifKey, value.get());
        return kTypedStored;
    } catch (...) {
        return kTypedValueRefused;
    }
}

}  // namespace

std::string Unquoted(const std::string& text) {
    if (text.empty() || text.front() != '"' || text.back() != '"') return text;
    return text.size() == 1 ? std::string() : text.substr(1, text.size() - 2);
}

int SetTypedValue(MetaHandle& handle, const char* key, const std::string& text, int type,
                  const TypedSetter& setter) {
    const std::string value = Unquoted(text);
    int code = kTypedKeyRefused;
    if (setter.tryIptcForEveryKey || key[0] == 'I' || key[0] == 'i') {
        code = TryIptc(handle.iptcData, key, value, type, setter.store);
        if (code == kTypedStored) {
            RecordEdit(handle, key);
            return kTypedStored;
        }
    }
    code = TryExif(handle.exifData, key, value, type, setter.store, code);
    if (code == kTypedStored) RecordEdit(handle, key);
    if (code != kTypedStored && setter.invalidateOnExifFailure) handle.isValid = false;
    return code;
}

std::string TextOfBinaryValue(const unsigned char* data, int size, int type) {
    const ValuePtr value = MakeValue(type);
    value->read(data, size, Exiv2::littleEndian);
    return value->toString();
}

int DerivedBinarySize(int type) {
    switch (type) {
        case Exiv2::unsignedShort:
        case Exiv2::signedShort:
            return 2;
        case Exiv2::unsignedLong:
        case Exiv2::signedLong:
            return 4;
        case Exiv2::unsignedRational:
        case Exiv2::signedRational:
            return 8;
        default:
            return 0;
    }
}

}  // namespace lumenmeta
