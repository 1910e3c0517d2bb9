#include "support/write_in_place.h"

#include "support/handles.h"

#include <gtest/gtest.h>

namespace lumenmeta::test {

std::string OnDisk(const FileMetadata& file, const std::string& key) {
    const Texts texts = key[0] == 'X'   ? ValuesOf(file.xmp, key)
                        : key[0] == 'I' ? ValuesOf(file.iptc, key)
                                        : ValuesOf(file.exif, key);
    std::string joined;
    for (size_t i = 0; i < texts.size(); ++i) joined += (i ? "|" : "") + texts[i];
    return joined;
}

std::string WriteInPlace(const TempDir& dir, const FixtureImage& fixture,
                         const std::function<void(MetaHandle*)>& edit, int result, const std::string& name) {
    const std::string path = fixture.WriteTo(dir.File(name));
    HandlePtr handle(OpenMetaHandle(path.c_str(), 0));
    if (edit) edit(handle.get());
    EXPECT_EQ(WriteData(handle.get(), nullptr, 0, 0), result) << path;
    return path;
}

void Set(MetaHandle* handle, const char* key, const std::u16string& value) {
    EXPECT_EQ(AddMetaDataW(handle, key, MakeBstr(value).get()), 1) << key;
}

void ExpectOnDisk(const FileMetadata& file, const std::vector<std::string>& rows) {
    for (const std::string& row : rows) {
        const std::string key = row.substr(0, row.find('='));
        EXPECT_EQ(OnDisk(file, key), row.substr(row.find('=') + 1)) << key;
    }
}

int WriteMark(const std::string& path, const std::string& mark) {
    HandlePtr handle(OpenMetaHandle(path.c_str(), 0));
    handle->xmpData["Xmp.dc.source"] = mark;
    return WriteData(handle.get(), nullptr, 0, 0);
}

std::string MarkOf(const std::string& path) {
    const Exiv2::XmpData xmp = ReadBack(path).xmp;
    const auto found = xmp.findKey(Exiv2::XmpKey("Xmp.dc.source"));
    return found == xmp.end() ? std::string() : found->toString();
}

}  // namespace lumenmeta::test
