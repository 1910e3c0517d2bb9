#include "merge/datum_compare.h"

#include "merge/container_ops.h"

namespace lumenmeta {

namespace {

// The text a value holds, read straight from the value where its class keeps
// it public; its rendering otherwise.
bool SameText(const Exiv2::Value& a, const Exiv2::Value& b) {
    if (const auto* x = dynamic_cast<const Exiv2::XmpTextValue*>(&a)) {
        if (const auto* y = dynamic_cast<const Exiv2::XmpTextValue*>(&b)) return x->value_ == y->value_;
    }
    if (const auto* x = dynamic_cast<const Exiv2::LangAltValue*>(&a)) {
        if (const auto* y = dynamic_cast<const Exiv2::LangAltValue*>(&b)) return x->value_ == y->value_;
    }
    if (const auto* x = dynamic_cast<const Exiv2::XmpArrayValue*>(&a)) {
        // Item by item: the joined rendering cannot tell "a, b" from "a", "b".
        const auto* y = dynamic_cast<const Exiv2::XmpArrayValue*>(&b);
        if (!y || x->count() != y->count()) return false;
        for (long item = 0; item < x->count(); ++item) {
            if (x->toString(item) != y->toString(item)) return false;
        }
        return true;
    }
    if (const auto* x = dynamic_cast<const Exiv2::StringValueBase*>(&a)) {
        if (const auto* y = dynamic_cast<const Exiv2::StringValueBase*>(&b)) return x->value_ == y->value_;
    }
    return a.toString() == b.toString();
}

template <typename Datum>
bool SameTypeAndText(const Datum& a, const Datum& b) {
    if (a.typeId() != b.typeId()) return false;
    try {
        return SameText(a.value(), b.value());
    } catch (const Exiv2::AnyError&) {
        return a.toString() == b.toString();  // a datum without a value
    }
}

}  // namespace

bool SameValue(const Exiv2::Exifdatum& a, const Exiv2::Exifdatum& b) { return SameExifValue(a, b); }
bool SameValue(const Exiv2::Iptcdatum& a, const Exiv2::Iptcdatum& b) { return SameTypeAndText(a, b); }
bool SameValue(const Exiv2::Xmpdatum& a, const Exiv2::Xmpdatum& b) { return SameTypeAndText(a, b); }

}  // namespace lumenmeta
