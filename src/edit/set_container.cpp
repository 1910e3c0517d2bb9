// AddMetaDataWContainer: one BSTR of separated items, each stored under the
// same key as AddMetaDataW stores a value.
#include "edit/item_pieces.h"
#include "edit/set_value.h"
#include "platform/ole_string.h"
#include "platform/wide_text.h"

extern "C" int AddMetaDataWContainer(MetaHandle* handle, const char* key, BSTR items,
                                     const WCHAR* separators) {
    using namespace lumenmeta;
    if (!handle || !key) return 0;
    try {
        const std::u16string_view text =
            items ? std::u16string_view(items, BstrLen(items)) : std::u16string_view();
        const std::u16string_view separatorSet =
            separators ? std::u16string_view(separators, WideLength(separators))
                       : std::u16string_view();
        for (const std::u16string_view piece : SplitItems(text, separatorSet)) {
            if (SetValue(*handle, key, piece) == 0) return 0;
        }
        return 1;
    } catch (...) {
        return 0;
    }
}
