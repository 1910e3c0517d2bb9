#include "values.h"

#include "text.h"

#include <cctype>
#include <vector>

namespace lumenmeta_tool {

const char* const kFamilies[3] = {"Exif", "Iptc", "Xmp"};

namespace {

bool IsExifKey(const std::string& key) {
    return key.size() >= 5 && std::tolower(static_cast<unsigned char>(key[0])) != 'x' &&
           std::tolower(static_cast<unsigned char>(key[0])) != 'i';
}

std::string Lower(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

}  // namespace

std::string FamilyName(const std::string& text) {
    for (const char* family : kFamilies) {
        if (Lower(text) == Lower(family)) return family;
    }
    return "";
}

bool LooksLikeKey(const std::string& key) {
    const size_t first = key.find('.');
    if (first == std::string::npos || FamilyName(key.substr(0, first)) != key.substr(0, first)) {
        return false;
    }
    const size_t second = key.find('.', first + 1);
    return second != std::string::npos && second > first + 1 && second + 1 < key.size() &&
           key.find_first_of(" =\t\n") == std::string::npos;
}

std::vector<std::string> KeysOf(MetaHandle* handle, const char* family) {
    int32_t size = 0;
    GetMetaDataKeys(handle, family, nullptr, &size, "\n");
    std::vector<char> buffer(static_cast<size_t>(size > 0 ? size : 1));
    if (!GetMetaDataKeys(handle, family, buffer.data(), &size, "\n")) return {};
    std::vector<std::string> keys;
    std::string list(buffer.data());
    size_t start = 0;
    while (start < list.size()) {
        size_t end = list.find('\n', start);
        if (end == std::string::npos) end = list.size();
        keys.push_back(list.substr(start, end - start));
        start = end + 1;
    }
    return keys;
}

ValueText ReadValue(MetaHandle* handle, const std::string& key, int index, bool decimal) {
    Bstr value;
    ValueText result;
    result.type = GetMetaDataW(handle, key.c_str(), value.out(), index, decimal);
    if (result.type == 0) return result;
    result.text = IsExifKey(key) ? ExifDisplayText(value.Text()) : Utf8FromWide(value.Text());
    return result;
}

bool ReadAllValues(MetaHandle* handle, const std::string& key, const std::string& separator,
                   std::string& text) {
    const std::u16string wideSeparator = WideFromUtf8(separator);
    WCHAR* joined = nullptr;
    const int length = GetMetaDataWContainer(handle, key.c_str(), &joined, wideSeparator.c_str());
    if (length == 0 && !joined) return false;
    const std::u16string wide = joined ? std::u16string(joined) : std::u16string();
    FreeMetaDataWContainer(joined);
    text = IsExifKey(key) ? ExifDisplayText(wide) : Utf8FromWide(wide);
    return true;
}

bool ReadForm(MetaHandle* handle, const std::string& key, int index, bool stored,
              std::string& text) {
    char* form = nullptr;
    const int type = stored ? GetMetaDataStored(handle, key.c_str(), index, &form)
                            : GetMetaDataText(handle, key.c_str(), index, &form);
    if (type == 0) return false;
    try {
        text = form;
    } catch (...) {
        FreeMetaDataText(form);
        throw;
    }
    FreeMetaDataText(form);
    return true;
}

bool ReadAllForms(MetaHandle* handle, const std::string& key, bool stored,
                  const std::string& separator, std::string& text) {
    std::string joined, one;
    int index = 0;
    for (; ReadForm(handle, key, index, stored, one); ++index) {
        if (index > 0) joined += separator;
        joined += one;
    }
    if (index == 0) return false;
    text = joined;
    return true;
}

bool IsGpsDecimalKey(const std::string& key) {
    for (const char* gps : {"Exif.GPSInfo.GPSLatitude", "Exif.GPSInfo.GPSLongitude",
                            "Exif.GPSInfo.GPSDestLatitude", "Exif.GPSInfo.GPSDestLongitude",
                            "Exif.GPSInfo.GPSAltitude"}) {
        if (key == gps) return true;
    }
    return false;
}

}  // namespace lumenmeta_tool
