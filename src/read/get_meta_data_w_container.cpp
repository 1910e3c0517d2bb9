// Every value of a key joined into one wide string: all elements of an XMP
// bag, all adjacent occurrences of a repeated IPTC dataset.
#include "lumenmeta.h"

#include "platform/wide_text.h"
#include "read/wide_read.h"

#include <algorithm>
#include <climits>
#include <cstdlib>

extern "C" {

int GetMetaDataWContainer(MetaHandle* handle, const char* key, WCHAR** result,
                          const WCHAR* separator) {
    using namespace lumenmeta;
    if (!handle || !key || !result) return 0;
    try {
        // All values in one pass: an XMP bag of many items is read once,
        // not once per item.
        const std::vector<WideValue> all = ReadEveryWideValue(*handle, key, true);
        if (all.empty()) return 0;
        const std::u16string_view between =
            separator ? std::u16string_view(separator, WideLength(separator))
                      : std::u16string_view();
        std::u16string joined;
        const int values = static_cast<int>(std::min<size_t>(all.size(), INT_MAX));
        for (size_t i = 0; i < all.size(); ++i) {
            if (i > 0) joined.append(between);
            joined.append(UpToFirstZero(all[i].text));
        }
        if (joined.empty()) return values - 1;
        if (joined.size() > static_cast<size_t>(INT_MAX)) return 0;
        // malloc, so that a runtime which frees the text itself with free or
        // CoTaskMemFree releases it with the matching allocator.
        WCHAR* text = static_cast<WCHAR*>(std::malloc((joined.size() + 1) * sizeof(WCHAR)));
        if (!text) return 0;
        std::copy(joined.begin(), joined.end(), text);
        text[joined.size()] = 0;
        *result = text;
        return static_cast<int>(joined.size());
    } catch (...) {
        return 0;
    }
}

void FreeMetaDataWContainer(WCHAR* text) { std::free(text); }

}  // extern "C"
