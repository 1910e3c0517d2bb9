#include "lumenmeta.h"

#include "handle/text_rules.h"
#include "read/wide_read.h"

#include <string>

extern "C" int GetMetaDataWide(MetaHandle* handle, const WCHAR* key, WCHAR* buffer, int count,
                               int index) {
    using namespace lumenmeta;
    if (!handle || !key || !buffer || count < 0) return 0;
    try {
        const std::string narrowKey = NarrowKeyFromWide(key);
        const WideValue read = ReadWideValue(*handle, narrowKey.c_str(), index, true);
        if (read.type == 0) return 0;
        CopyToWideBuffer(read.text, buffer, count);
        return read.type;
    } catch (...) {
        return 0;
    }
}
