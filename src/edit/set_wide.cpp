// AddMetaDataWide: key and value as plain wide strings, traced, then stored
// as AddMetaDataW stores them.
#include "edit/set_value.h"
#include "handle/text_rules.h"
#include "platform/debug_trace.h"
#include "platform/wide_text.h"

#include <string>

extern "C" int AddMetaDataWide(MetaHandle* handle, const WCHAR* key, const WCHAR* value) {
    using namespace lumenmeta;
    if (!handle || !key) return 0;
    try {
        const std::string narrowKey = NarrowKeyFromWide(key);
        // The trace shows key and value (both in code page 0) back to back.
        TracePiece(narrowKey);
        TracePiece(value ? NarrowKeyFromWide(value) : std::string());
        TracePiece("\n");
        const std::u16string_view text =
            value ? std::u16string_view(value, WideLength(value)) : std::u16string_view();
        return SetValue(*handle, narrowKey.c_str(), text);
    } catch (...) {
        return 0;
    }
}
