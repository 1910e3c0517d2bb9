#include "export_work.h"

#include "corpus.h"

namespace lumenmeta::bench {

BstrPtr BstrFromAscii(const char* text) {
    const std::u16string wide(text, text + std::char_traits<char>::length(text));
    return BstrPtr(SysAllocStringLen(wide.data(), static_cast<uint32_t>(wide.size())));
}

ValueSetter::ValueSetter() {
    for (const SetValue& set : WriteValues()) values_.emplace_back(set.key, BstrFromAscii(set.value));
}

bool ValueSetter::Apply(MetaHandle* handle) const {
    for (const auto& [key, value] : values_) {
        if (AddMetaDataW(handle, key, value.get()) != 1) return false;
    }
    return true;
}

bool ValueSetter::SetAndWrite(MetaHandle* handle, const char* target) const {
    return Apply(handle) && WriteData(handle, target, 0, 0) == 1;
}

size_t ExportRead(const std::string& path) {
    HandlePtr handle(OpenMetaHandle(path.c_str(), 0));
    size_t found = 0;
    for (const std::string& key : ReadKeys()) {
        BSTR value = nullptr;
        if (GetMetaDataW(handle.get(), key.c_str(), &value, 0, false) != 0) {
            found += SysStringLen(value);
            SysFreeString(value);
        }
    }
    return found;
}

}  // namespace lumenmeta::bench
