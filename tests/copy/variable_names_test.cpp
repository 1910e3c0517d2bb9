#include "lumenmeta.h"

#include "support/handles.h"

#include <gtest/gtest.h>

namespace lumenmeta {
namespace {

using Texts = std::vector<std::string>;

// A handle whose working XMP holds `keys`, in this order.
test::HandlePtr HandleWithKeys(const Texts& keys) {
    test::HandlePtr handle = test::EmptyHandle();
    const Exiv2::XmpTextValue text("value");
    for (const std::string& key : keys) handle->xmpData.add(Exiv2::XmpKey(key), &text);
    return handle;
}

TEST(CollectLumenframeVarNames, ListsTheChosenGroupsInContainerOrder) {
    // Each key after its group: (v)ariables, (u)nresolved, (s)ystem, (-) none.
    const Texts table = {
        "v VarUx", "u VarU", "- Xmp.dc.format", "s Guid", "v guid", "u VarUnresolved.City",
        "v VarUnresolved", "v Var", "s _tmp", "s _", "s Dir", "v Dirs", "s FileType", "s Filter1",
        "s Filter2", "v Filter3", "s RawSettings", "s RawVersion", "v Var_U", "v varu",
        "- Xmp.xmp.Rating", "v VarUx"};
    Texts keys;
    for (const std::string& row : table) {
        keys.push_back((row[0] == '-' ? "" : "Xmp.Lumenframe.") + row.substr(2));
    }
    test::HandlePtr handle = HandleWithKeys(keys);
    for (const std::string chosen : {"", "v", "u", "s", "vus", "vs"}) {
        for (const char* separator : {static_cast<const char*>(nullptr), "", ", "}) {
            std::string expected;
            for (size_t i = 0; i < keys.size(); ++i) {
                if (chosen.find(table[i][0]) == std::string::npos) continue;
                expected += (expected.empty() ? "" : separator ? separator : "|") + keys[i];
            }
            std::vector<char> buffer(4096, '#');
            int32_t size = 4096;
            auto has = [&](char group) { return chosen.find(group) != std::string::npos; };
            EXPECT_TRUE(CollectLumenframeVarNames(handle.get(), buffer.data(), &size, has('v'),
                                                  has('u'), has('s'), separator));
            EXPECT_EQ(std::string(buffer.data()), expected) << chosen;
            EXPECT_EQ(size, static_cast<int32_t>(expected.size() + 1)) << chosen;
        }
    }
    EXPECT_EQ(handle->xmpData.count(), 22);  // reading changes nothing
}

TEST(CollectLumenframeVarNames, ReportsTheNeededSizeAndCopiesOnlyWhatFits) {
    test::HandlePtr twoKeys = HandleWithKeys({"Xmp.Lumenframe.A", "Xmp.Lumenframe.B"});
    test::HandlePtr noKeys = HandleWithKeys({"Xmp.dc.format"});
    MetaHandle *const two = twoKeys.get(), *const none = noKeys.get();
    const std::string list = "Xmp.Lumenframe.A|Xmp.Lumenframe.B";  // and the NUL: 34 bytes
    struct Case { MetaHandle* handle; bool buffer; int32_t capacity; bool fits; int32_t size; };
    // A null buffer with room "fits" but gets nothing; an empty list needs its NUL.
    for (const Case& c : {Case{two, false, 0, false, 34}, Case{two, false, 99, true, 34},
                          Case{two, true, -5, false, 34}, Case{two, true, 33, false, 34},
                          Case{two, true, 34, true, 34}, Case{none, true, 0, false, 1},
                          Case{none, true, 1, true, 1}, Case{nullptr, true, 50, false, 50}}) {
        std::vector<char> buffer(64, '#'), expected = buffer;
        int32_t size = c.capacity;
        EXPECT_EQ(CollectLumenframeVarNames(c.handle, c.buffer ? buffer.data() : nullptr, &size,
                                            true, true, true, nullptr), c.fits) << c.capacity;
        EXPECT_EQ(size, c.size) << c.capacity;
        const char* copied = c.handle == two ? list.c_str() : "";
        if (c.fits && c.buffer) std::copy(copied, copied + c.size, expected.begin());
        EXPECT_EQ(buffer, expected) << c.capacity;  // nothing past the NUL
    }
    char untouched = '#';
    EXPECT_FALSE(CollectLumenframeVarNames(two, &untouched, nullptr, true, true, true, nullptr));
    EXPECT_EQ(untouched, '#');
}

}  // namespace
}  // namespace lumenmeta
