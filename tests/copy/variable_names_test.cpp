#include "lumenmeta.h"

#include "support/fixture_image.h"
#include "support/handle_ptr.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace lumenmeta {
namespace {

using test::FixtureImage;
using test::TempDir;

using Handle = test::HandlePtr;

// A handle whose working XMP holds `keys`, in this order, each with a text.
Handle HandleWithKeys(const std::vector<std::string>& keys) {
    Handle handle(OpenMetaHandle(nullptr, 0));
    const Exiv2::XmpTextValue text("value");
    for (const std::string& key : keys) handle->xmpData.add(Exiv2::XmpKey(key), &text);
    return handle;
}

struct Listing {
    bool result;
    int32_t size;
    std::string text;
};

// Lists with a buffer large enough for anything here.
Listing List(MetaHandle* handle, bool variables, bool unresolved, bool system,
             const char* separator = nullptr) {
    std::vector<char> buffer(4096, '#');
    int32_t size = static_cast<int32_t>(buffer.size());
    const bool result = CollectLumenframeVarNames(handle, buffer.data(), &size, variables,
                                                  unresolved, system, separator);
    return {result, size, std::string(buffer.data())};
}

TEST(CollectLumenframeVarNames, SortsEveryKeyIntoExactlyOneGroup) {
    // Deliberately out of key order: the list follows the container.
    Handle handle = HandleWithKeys({
        "Xmp.Lumenframe.VarUx",
        "Xmp.Lumenframe.VarU",
        "Xmp.dc.format",
        "Xmp.Lumenframe.Guid",
        "Xmp.Lumenframe.guid",
        "Xmp.Lumenframe.VarUnresolved.City",
        "Xmp.Lumenframe.VarUnresolved",
        "Xmp.Lumenframe.Var",
        "Xmp.Lumenframe._tmp",
        "Xmp.Lumenframe._",
        "Xmp.Lumenframe.Dir",
        "Xmp.Lumenframe.Dirs",
        "Xmp.Lumenframe.FileType",
        "Xmp.Lumenframe.Filter1",
        "Xmp.Lumenframe.Filter2",
        "Xmp.Lumenframe.Filter3",
        "Xmp.Lumenframe.RawSettings",
        "Xmp.Lumenframe.RawVersion",
        "Xmp.Lumenframe.Var_U",
        "Xmp.Lumenframe.varu",
        "Xmp.xmp.Rating",
    });
    const std::string variables =
        "Xmp.Lumenframe.VarUx|Xmp.Lumenframe.guid|Xmp.Lumenframe.VarUnresolved|"
        "Xmp.Lumenframe.Var|Xmp.Lumenframe.Dirs|Xmp.Lumenframe.Filter3|"
        "Xmp.Lumenframe.Var_U|Xmp.Lumenframe.varu";
    const std::string unresolved = "Xmp.Lumenframe.VarU|Xmp.Lumenframe.VarUnresolved.City";
    const std::string system =
        "Xmp.Lumenframe.Guid|Xmp.Lumenframe._tmp|Xmp.Lumenframe._|Xmp.Lumenframe.Dir|"
        "Xmp.Lumenframe.FileType|Xmp.Lumenframe.Filter1|Xmp.Lumenframe.Filter2|"
        "Xmp.Lumenframe.RawSettings|Xmp.Lumenframe.RawVersion";

    EXPECT_EQ(List(handle.get(), true, false, false).text, variables);
    EXPECT_EQ(List(handle.get(), false, true, false).text, unresolved);
    EXPECT_EQ(List(handle.get(), false, false, true).text, system);
    EXPECT_EQ(List(handle.get(), false, false, false).text, "");

    const Listing all = List(handle.get(), true, true, true);
    EXPECT_TRUE(all.result);
    EXPECT_EQ(all.text,
              "Xmp.Lumenframe.VarUx|Xmp.Lumenframe.VarU|Xmp.Lumenframe.Guid|"
              "Xmp.Lumenframe.guid|Xmp.Lumenframe.VarUnresolved.City|"
              "Xmp.Lumenframe.VarUnresolved|Xmp.Lumenframe.Var|Xmp.Lumenframe._tmp|"
              "Xmp.Lumenframe._|Xmp.Lumenframe.Dir|Xmp.Lumenframe.Dirs|"
              "Xmp.Lumenframe.FileType|Xmp.Lumenframe.Filter1|Xmp.Lumenframe.Filter2|"
              "Xmp.Lumenframe.Filter3|Xmp.Lumenframe.RawSettings|"
              "Xmp.Lumenframe.RawVersion|Xmp.Lumenframe.Var_U|Xmp.Lumenframe.varu");
    EXPECT_EQ(all.size, static_cast<int32_t>(all.text.size() + 1));
    EXPECT_EQ(handle->xmpData.count(), 21);  // reading changes nothing
}

TEST(CollectLumenframeVarNames, ListsEachDatumOnceAndFollowsTheFilesOrder) {
    TempDir dir;
    FixtureImage fixture = test::SampleFixture();  // registers the namespace
    fixture.xmp["Xmp.Lumenframe.Zeta"] = "last";
    fixture.xmp["Xmp.Lumenframe.Alpha"] = "first";
    Exiv2::XmpArrayValue bag(Exiv2::xmpBag);
    bag.read("one");
    bag.read("two");
    fixture.xmp.add(Exiv2::XmpKey("Xmp.Lumenframe.Tags"), &bag);
    const std::string path = fixture.WriteTo(dir.File("vars.jpg"));

    Handle handle(OpenMetaHandle(path.c_str(), 0));
    ASSERT_TRUE(handle->isValid);
    // Sorted by key at open; a bag is one datum.
    EXPECT_EQ(List(handle.get(), true, true, true).text,
              "Xmp.Lumenframe.Alpha|Xmp.Lumenframe.Tags|Xmp.Lumenframe.VarU_Client|"
              "Xmp.Lumenframe.Zeta");

    // A datum added later comes last, and a key held twice is listed twice.
    const Exiv2::XmpTextValue text("again");
    handle->xmpData.add(Exiv2::XmpKey("Xmp.Lumenframe.Alpha"), &text);
    EXPECT_EQ(List(handle.get(), true, false, false, ",").text,
              "Xmp.Lumenframe.Alpha,Xmp.Lumenframe.Tags,Xmp.Lumenframe.VarU_Client,"
              "Xmp.Lumenframe.Zeta,Xmp.Lumenframe.Alpha");
}

TEST(CollectLumenframeVarNames, SeparatorsGoOnlyBetweenKeys) {
    Handle two = HandleWithKeys({"Xmp.Lumenframe.A", "Xmp.Lumenframe.B"});
    EXPECT_EQ(List(two.get(), true, true, true).text, "Xmp.Lumenframe.A|Xmp.Lumenframe.B");
    EXPECT_EQ(List(two.get(), true, true, true, "").text, "Xmp.Lumenframe.AXmp.Lumenframe.B");
    EXPECT_EQ(List(two.get(), true, true, true, ", ").text,
              "Xmp.Lumenframe.A, Xmp.Lumenframe.B");
    const Listing long_separator = List(two.get(), true, true, true, " <-> ");
    EXPECT_EQ(long_separator.text, "Xmp.Lumenframe.A <-> Xmp.Lumenframe.B");
    EXPECT_EQ(long_separator.size, 38);

    // Keys outside the chosen groups leave no separator behind.
    Handle mixed = HandleWithKeys(
        {"Xmp.Lumenframe.Guid", "Xmp.Lumenframe.A", "Xmp.Lumenframe.VarU", "Xmp.Lumenframe.B",
         "Xmp.Lumenframe._x"});
    EXPECT_EQ(List(mixed.get(), true, false, false, "; ").text,
              "Xmp.Lumenframe.A; Xmp.Lumenframe.B");
    Handle one = HandleWithKeys({"Xmp.Lumenframe.A"});
    EXPECT_EQ(List(one.get(), true, true, true, "||").text, "Xmp.Lumenframe.A");
}

TEST(CollectLumenframeVarNames, ReportsTheNeededSizeAndCopiesOnlyWhatFits) {
    Handle handle = HandleWithKeys({"Xmp.Lumenframe.A", "Xmp.Lumenframe.B"});
    const std::string list = "Xmp.Lumenframe.A|Xmp.Lumenframe.B";  // 33 bytes

    int32_t size = 0;
    EXPECT_FALSE(CollectLumenframeVarNames(handle.get(), nullptr, &size, true, true, true,
                                           nullptr));
    EXPECT_EQ(size, 34);
    size = 100;  // a null buffer with room "fits" but receives nothing
    EXPECT_TRUE(CollectLumenframeVarNames(handle.get(), nullptr, &size, true, true, true,
                                          nullptr));
    EXPECT_EQ(size, 34);

    for (int32_t capacity : {-5, 0, 1, 33}) {
        SCOPED_TRACE(capacity);
        std::vector<char> buffer(64, '#');
        size = capacity;
        EXPECT_FALSE(CollectLumenframeVarNames(handle.get(), buffer.data(), &size, true, true,
                                               true, nullptr));
        EXPECT_EQ(size, 34);
        EXPECT_EQ(buffer, std::vector<char>(64, '#'));
    }

    std::vector<char> buffer(64, '#');
    size = 34;  // exactly the list and its NUL
    EXPECT_TRUE(CollectLumenframeVarNames(handle.get(), buffer.data(), &size, true, true, true,
                                          nullptr));
    EXPECT_EQ(size, 34);
    EXPECT_EQ(std::string(buffer.data()), list);
    EXPECT_EQ(buffer[34], '#');  // nothing past the NUL

    // An empty list still needs its NUL.
    Handle empty = HandleWithKeys({"Xmp.dc.format"});
    size = 0;
    EXPECT_FALSE(CollectLumenframeVarNames(empty.get(), buffer.data(), &size, true, true, true,
                                           nullptr));
    EXPECT_EQ(size, 1);
    EXPECT_EQ(buffer[0], 'X');
    size = 1;
    EXPECT_TRUE(CollectLumenframeVarNames(empty.get(), buffer.data(), &size, true, true, true,
                                          nullptr));
    EXPECT_EQ(size, 1);
    EXPECT_EQ(buffer[0], '\0');
    EXPECT_EQ(buffer[1], 'm');

    // No handle or no size: false, nothing written.
    size = 50;
    EXPECT_FALSE(CollectLumenframeVarNames(nullptr, buffer.data(), &size, true, true, true,
                                           nullptr));
    EXPECT_EQ(size, 50);
    EXPECT_FALSE(CollectLumenframeVarNames(handle.get(), buffer.data(), nullptr, true, true,
                                           true, nullptr));
    EXPECT_EQ(buffer[0], '\0');
}

}  // namespace
}  // namespace lumenmeta
