#include "lumenmeta.h"

#include "handle/text_rules.h"
#include "read/wide_read.h"

extern "C" int GetMetaDataW(MetaHandle* handle, const char* key, BSTR* value, int index,
                            bool asDecimal) {
    using namespace lumenmeta;
    if (!handle || !key || !value) return 0;
    const WideValue read = ReadWideValue(*handle, key, index, asDecimal);
    if (read.type == 0) return 0;
    BSTR result = NewResultBstr(read.text);
    if (!result) return 0;
    *value = result;
    return read.type;
}
