#include "save/standard_exif_keys.h"

#include <gtest/gtest.h>

#include <exiv2/exiv2.hpp>

#include <map>

namespace lumenmeta {
namespace {

// Exiv2 renders a datum's key as the table spells it, so the byte-wise lookups
// match; which keys a write carries is checked on disk with the writes.
TEST(StandardExifKeys, TheTableHoldsTheStandardKeysOnceAsExiv2SpellsThem) {
    std::map<std::string, int> perGroup;
    EnsureStandardExifKeySet();
    for (int i = 0; kStandardExifKeys[i] != nullptr; ++i) {
        const Exiv2::ExifKey key(kStandardExifKeys[i]);
        EXPECT_EQ(key.key(), kStandardExifKeys[i]);
        EXPECT_TRUE(IsStandardExifKey(key.key()));
        ++perGroup[key.groupName()];
    }
    EXPECT_EQ(StandardExifKeySet().size(), 160u);  // no key twice
    EXPECT_EQ(perGroup, (std::map<std::string, int>{{"GPSInfo", 31}, {"Image", 68}, {"Iop", 5},
                                                    {"Photo", 56}}));
    EXPECT_TRUE(IsCarriedExifKey("Exif.Canon.ModelID") && !IsCarriedExifKey("Exif.nikon3.Quality"));
}

}  // namespace
}  // namespace lumenmeta
