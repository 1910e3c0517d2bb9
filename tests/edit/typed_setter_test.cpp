// The quote rule of the typed setters: only a pair of double quotes that
// opens and closes the text is taken off; a quote at one end only is part of
// the value, in the handle and in the file.
#include "lumenmeta.h"

#include "support/fixture_image.h"
#include "support/handles.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

namespace lumenmeta {
namespace {

using namespace test;

TEST(TypedSetter, AQuoteAtOneEndOnlyIsKept) {
    struct Case {
        bool append;  // AddMeta, else ModifyMetaDataValueAsString
        const char *key, *text, *stored;
    };
    const Case cases[] = {
        {true, "Iptc.Application2.Caption", "\"abc", "\"abc"},
        {true, "Iptc.Application2.Headline", "abc\"", "abc\""},
        {true, "Exif.Image.Artist", "\"abc", "\"abc"},
        {true, "Exif.Image.Copyright", "abc\"", "abc\""},
        {false, "Iptc.Application2.City", "\"abc", "\"abc"},
        {false, "Iptc.Application2.ObjectName", "abc\"", "abc\""},
        {false, "Exif.Image.Make", "\"abc", "\"abc"},
        {false, "Exif.Image.Model", "abc\"", "abc\""},
        {false, "Exif.Image.Software", "\"a\"b", "\"a\"b"},  // a quote inside, not at the end
        {false, "Exif.Image.DocumentName", "\"a\"b\"", "a\"b"},  // the pair taken off, the inner kept
    };
    TempDir dir;
    const std::string path = FixtureImage().WriteTo(dir.File("photo.jpg"));
    HandlePtr handle(OpenMetaHandle(path.c_str(), 0));
    for (const Case& c : cases) {
        const int result = c.append ? AddMeta(handle.get(), c.key, c.text, 0)
                                    : ModifyMetaDataValueAsString(handle.get(), c.key, c.text, 0);
        EXPECT_EQ(result, 0) << c.key;
        const Texts held = c.key[0] == 'I' ? ValuesOf(handle->iptcData, c.key) : ValuesOf(handle->exifData, c.key);
        EXPECT_EQ(held, Texts{c.stored}) << c.key;
    }
    ASSERT_EQ(WriteData(handle.get(), nullptr, 0, 0), 1);
    const FileMetadata file = ReadBack(path);
    for (const Case& c : cases) {
        const Texts onDisk = c.key[0] == 'I' ? ValuesOf(file.iptc, c.key) : ValuesOf(file.exif, c.key);
        EXPECT_EQ(onDisk, Texts{c.stored}) << c.key;
    }
}

}  // namespace
}  // namespace lumenmeta
