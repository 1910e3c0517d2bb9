// One property name in two namespaces: each key finds its own datum, in the
// wide and the narrow getter, before and after writes that edit one of them.
#include "lumenmeta.h"

#include "support/fixture_image.h"
#include "support/handles.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <cstring>

namespace lumenmeta {
namespace {

using namespace test;

constexpr char kMicrosoft[] = "Xmp.MicrosoftPhoto.Rating";
constexpr char kXmp[] = "Xmp.xmp.Rating";

std::string Wide(MetaHandle* h, const char* key) {
    BSTR value = nullptr;
    if (GetMetaDataW(h, key, &value, 0, false) == 0) return "<none>";
    const BstrPtr owned(value);
    std::string text;
    for (uint32_t i = 0; i < SysStringLen(value); ++i) text += static_cast<char>(value[i]);
    return text;
}

std::string Narrow(MetaHandle* h, const char* key) {
    char buffer[32];
    std::memset(buffer, 0, sizeof(buffer));
    if (GetMetaData(h, key, buffer, sizeof(buffer) - 1) == 0) return "<none>";
    return buffer;
}

TEST(Lookup, APropertyNameInTwoNamespacesIsFoundInEachOfThem) {
    TempDir dir;
    FixtureImage fixture;
    Fill(fixture.xmp, {std::string(kXmp) + "=3", std::string(kMicrosoft) + "=50"});
    const std::string path = fixture.WriteTo(dir.File("photo.jpg"));
    // Each round: the edit made before the write, then what each key holds.
    struct Round {
        const char* key;
        std::u16string value;
        const char *microsoft, *xmp;
    };
    const Round rounds[] = {{nullptr, u"", "50", "3"}, {kXmp, u"4", "50", "4"}, {kMicrosoft, u"75", "75", "4"}};
    for (const Round& round : rounds) {
        SCOPED_TRACE(round.key ? round.key : "no edit");
        HandlePtr handle(OpenMetaHandle(path.c_str(), 0));
        MetaHandle* h = handle.get();
        if (round.key) {
            EXPECT_EQ(AddMetaDataW(h, round.key, MakeBstr(round.value).get()), 1);
            EXPECT_EQ(Wide(h, round.key), Narrow(h, round.key));  // the edit, through the handle
            ASSERT_EQ(WriteData(h, nullptr, 0, 0), 1);
            handle.reset(OpenMetaHandle(path.c_str(), 0));
            h = handle.get();
        }
        EXPECT_EQ(Wide(h, kMicrosoft), round.microsoft);
        EXPECT_EQ(Narrow(h, kMicrosoft), round.microsoft);
        EXPECT_EQ(Wide(h, kXmp), round.xmp);
        EXPECT_EQ(Narrow(h, kXmp), round.xmp);
        const FileMetadata file = ReadBack(path);
        EXPECT_EQ(ValuesOf(file.xmp, kMicrosoft), Texts{round.microsoft});
        EXPECT_EQ(ValuesOf(file.xmp, kXmp), Texts{round.xmp});
    }
}

}  // namespace
}  // namespace lumenmeta
