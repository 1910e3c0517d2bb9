#include "edit/item_pieces.h"

#include "platform/wide_text.h"

namespace lumenmeta {

namespace {

// Characters from `from` up to the first separator, zero unit or the end
// (wcscspn on the text's terminated form).
size_t SpanWithoutSeparators(std::u16string_view items, size_t from,
                             std::u16string_view separators) {
    size_t end = from;
    while (end < items.size() && items[end] != u'\0' &&
           separators.find(items[end]) == std::u16string_view::npos) {
        ++end;
    }
    return end - from;
}

}  // namespace

std::vector<std::u16string_view> SplitItems(std::u16string_view items,
                                            std::u16string_view separators) {
    std::vector<std::u16string_view> pieces;
    const size_t n = items.size();
    size_t p = 0;
    while (p < n) {
        size_t len = SpanWithoutSeparators(items, p, separators);
        if (len == 0) {
            len = 1 + SpanWithoutSeparators(items, p + 1, separators);
        } else if (p + len == n - 1) {
            ++len;
        }
        const std::u16string_view piece = UpToFirstZero(items.substr(p, len));
        if (!piece.empty()) pieces.push_back(piece);
        p += len + 1;
    }
    return pieces;
}

}  // namespace lumenmeta
