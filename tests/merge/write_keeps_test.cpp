// What a write keeps of a real photo: values converted between the families
// replace nothing they mean the same as, erase nothing, move no date by the
// machine's time zone; IPTC stays valid; the host's edits and clearings
// reach every family; text in any script survives.
#include "lumenmeta.h"

#include "save/iptc_digest.h"

#include "support/fixture_image.h"
#include "support/handles.h"
#include "support/jpeg_bytes.h"
#include "support/temp_dir.h"
#include "support/write_in_place.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>

namespace lumenmeta {
namespace {

using namespace test;

class WriteKeeps : public ::testing::Test {
protected:
    void SetUp() override { SetTimeZone("UTC"); }
    void TearDown() override { SetTimeZone("UTC"); }
    static void SetTimeZone(const char* zone) {
        setenv("TZ", zone, 1);
        tzset();
    }
    TempDir dir_;
};

// Each fault class that a rewrite with no edits used to show on real files,
// as a small file; each row is the key and what must be on disk after it.
TEST_F(WriteKeeps, ARewriteChangesNothingItWasNotAskedTo) {
    struct Case {
        Texts exif, iptc, xmp;
        Texts expected;  // "key=text|text"
    };
    const Case cases[] = {
        // Exiv2 cannot convert these back from XMP and erased them.
        {{"Exif.Photo.ComponentsConfiguration=1 2 3 0", "Exif.Photo.UserComment=charset=Ascii Chambord"},
         {},
         {"Xmp.dc.format=image/jpeg"},
         {"Exif.Photo.ComponentsConfiguration=1 2 3 0", "Exif.Photo.UserComment=charset=Ascii Chambord"}},
        // An empty description passed through XMP erased the IPTC caption.
        {{"Exif.Image.ImageDescription="}, {"Iptc.Application2.Caption=A bunch of squares"}, {},
         {"Iptc.Application2.Caption=A bunch of squares"}},
        // Dates: the wall-clock time stays, the XMP keeps its offset, a
        // date-only value does not zero the time, sub-seconds stay as written.
        {{"Exif.Image.DateTime=2016:09:13 11:58:16", "Exif.Photo.DateTimeOriginal=2004:06:21 23:37:53",
          "Exif.Photo.SubSecTime=81"},
         {},
         {"Xmp.xmp.ModifyDate=2016-09-13T11:58:16.81+01:00", "Xmp.photoshop.DateCreated=2004-06-21"},
         {"Exif.Image.DateTime=2016:09:13 11:58:16", "Exif.Photo.DateTimeOriginal=2004:06:21 23:37:53",
          "Exif.Photo.SubSecTime=81", "Xmp.xmp.ModifyDate=2016-09-13T11:58:16.81+01:00"}},
        // GPS seconds are not rounded through XMP's decimal minutes.
        {{"Exif.GPSInfo.GPSLongitudeRef=E", "Exif.GPSInfo.GPSLongitude=1/1 31/1 47/50"}, {}, {},
         {"Exif.GPSInfo.GPSLongitude=1/1 31/1 47/50"}},
        // UTF-8 IPTC without the marker is not encoded twice; Windows-1252
        // IPTC is converted once, with the marker.
        {{}, {"Iptc.Application2.SubLocation=K\xC3\xA5lltorp", "Iptc.Application2.City=G\xF6teborg"}, {},
         {"Iptc.Application2.SubLocation=K\xC3\xA5lltorp", "Xmp.iptc.Location=K\xC3\xA5lltorp",
          "Iptc.Application2.City=G\xC3\xB6teborg", "Iptc.Envelope.CharacterSet=\x1b%G"}},
        // Keywords keep their order, a caption its line ends.
        {{}, {"Iptc.Application2.Keywords=zeta", "Iptc.Application2.Keywords=alpha",
              "Iptc.Application2.Caption=one\rtwo"},
         {"Xmp.dc.description=one\ntwo"},
         {"Iptc.Application2.Keywords=zeta|alpha", "Iptc.Application2.Caption=one\rtwo"}},
        // A By-line made from a longer creator is cut to 32 bytes at a
        // character boundary; keywords stay separate datasets.
        {{}, {"Iptc.Application2.Keywords=a", "Iptc.Application2.Keywords=b"},
         {"Xmp.dc.creator=\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9"
          "\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9"},
         {"Iptc.Application2.Byline=\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9"
          "\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9",
          "Iptc.Application2.Keywords=a|b"}},
    };
    for (const Case& c : cases) {
        FixtureImage fixture;
        Fill(fixture.exif, c.exif);
        Fill(fixture.iptc, c.iptc);
        Fill(fixture.xmp, c.xmp);
        const FileMetadata file = ReadBack(WriteInPlace(dir_, fixture));
        for (const std::string& row : c.expected) {
            const std::string key = row.substr(0, row.find('='));
            EXPECT_EQ(OnDisk(file, key), row.substr(row.find('=') + 1)) << key;
        }
    }
}

TEST_F(WriteKeeps, TheSameWriteGivesTheSameFileInEveryTimeZone) {
    FixtureImage fixture;
    Fill(fixture.exif, {"Exif.Image.DateTime=2015:02:13 20:46:51"});
    Fill(fixture.xmp, {"Xmp.xmp.ModifyDate=2015-02-13T20:46:51-06:00", "Xmp.xmp.CreateDate=2015-02-13T20:46:51.5"});
    std::vector<std::vector<unsigned char>> results;
    for (const char* zone : {"Asia/Tokyo", "America/Los_Angeles", "UTC"}) {
        SetTimeZone(zone);
        results.push_back(ReadBytes(WriteInPlace(dir_, fixture)));
    }
    EXPECT_EQ(results[0], results[1]);
    EXPECT_EQ(results[0], results[2]);
    const FileMetadata file = ReadBack(dir_.File("photo.jpg"));
    EXPECT_EQ(OnDisk(file, "Exif.Photo.DateTimeDigitized"), "2015:02:13 20:46:51");
    EXPECT_EQ(OnDisk(file, "Exif.Photo.SubSecTimeDigitized"), "5");
}

TEST_F(WriteKeeps, EditsAndClearingsReachEveryFamily) {
    FixtureImage fixture;
    Fill(fixture.exif, {"Exif.Image.Make=Canon", "Exif.Image.Artist=Old", "Exif.Canon.OwnerName=Owner",
                        "Exif.Canon.ModelID=1",
                        "Exif.GPSInfo.GPSLatitudeRef=N", "Exif.GPSInfo.GPSLatitude=36/1 27/1 0/1",
                        "Exif.GPSInfo.GPSLongitudeRef=W", "Exif.GPSInfo.GPSLongitude=116/1 51/1 0/1"});
    Fill(fixture.iptc, {"Iptc.Application2.Byline=Old", "Iptc.Application2.City=Old"});
    Fill(fixture.xmp, {"Xmp.dc.creator=Old", "Xmp.photoshop.City=Old", "Xmp.exif.GPSLatitude=36,27N",
                       "Xmp.exif.GPSLongitude=116,51W"});
    const FileMetadata file = ReadBack(WriteInPlace(dir_, fixture, [](MetaHandle* h) {
        Set(h, "Exif.Image.Artist", u"Anna");
        Set(h, "Iptc.Application2.City", u"Berlin");
        Set(h, "Exif.Photo.LensModel", u"EF 50mm");  // not a standard key
        EXPECT_EQ(ClearMetaData(h, "Exif.GPSInfo.GPSLatitude"), 1);
        EXPECT_EQ(ClearMetaData(h, "Exif.GPSInfo.GPSLongitude"), 1);
        EXPECT_EQ(ClearMetaData(h, "Exif.Canon.OwnerName"), 1);  // a maker-note key
    }));
    const std::pair<const char*, const char*> expected[] = {
        {"Exif.Image.Artist", "Anna"},          {"Iptc.Application2.Byline", "Anna"},
        {"Xmp.dc.creator", "Anna"},             {"Iptc.Application2.City", "Berlin"},
        {"Xmp.photoshop.City", "Berlin"},       {"Exif.Photo.LensModel", "EF 50mm"},
        {"Exif.GPSInfo.GPSLatitude", ""},       {"Exif.GPSInfo.GPSLongitude", ""},
        {"Xmp.exif.GPSLatitude", ""},           {"Xmp.exif.GPSLongitude", ""},
        {"Exif.Canon.OwnerName", ""},           {"Exif.Canon.ModelID", "1"},
    };
    for (const auto& [key, text] : expected) EXPECT_EQ(OnDisk(file, key), text) << key;
}

TEST_F(WriteKeeps, TextInAnyScriptRoundTripsInEveryFamily) {
    const std::u16string text = u"Zo\u00eb \u0141\u00f3d\u017a \u6771\u4eac";
    const std::string utf8 = "Zo\xC3\xAB \xC5\x81\xC3\xB3" "d\xC5\xBA \xE6\x9D\xB1\xE4\xBA\xAC";
    const char* const keys[] = {"Exif.Image.DocumentName", "Iptc.Application2.Headline", "Xmp.dc.title"};
    const auto readBack = [](MetaHandle* h, const char* key) {
        BSTR value = nullptr;
        GetMetaDataW(h, key, &value, 0, false);
        const BstrPtr owned(value);
        return value ? std::u16string(value, SysStringLen(value)) : std::u16string();
    };
    const std::string path = WriteInPlace(dir_, SampleFixture(), [&](MetaHandle* h) {
        for (const char* key : keys) {
            Set(h, key, text);
            EXPECT_EQ(readBack(h, key), text) << key;  // through the handle
        }
    });
    HandlePtr reopened(OpenMetaHandle(path.c_str(), 0));
    for (const char* key : keys) EXPECT_EQ(readBack(reopened.get(), key), text) << key;
    // Other programs see UTF-8 in every family, the IPTC marker included.
    const FileMetadata file = ReadBack(path);
    EXPECT_EQ(OnDisk(file, "Exif.Image.DocumentName"), utf8);
    EXPECT_EQ(OnDisk(file, "Iptc.Application2.Headline"), utf8);
    EXPECT_EQ(OnDisk(file, "Iptc.Envelope.CharacterSet"), "\x1b%G");
    EXPECT_EQ(OnDisk(file, "Xmp.dc.title"), "lang=\"x-default\" " + utf8);
    EXPECT_EQ(OnDisk(file, "Iptc.Application2.ObjectName"), utf8);  // the title's twin
}

// A JPEG whose Photoshop resources carry an IPTC block and its digest.
std::vector<unsigned char> JpegWithIptcDigest(const std::vector<unsigned char>& iptc) {
    std::vector<unsigned char> resources(std::begin("Photoshop 3.0"), std::end("Photoshop 3.0"));
    const auto resource = [&resources](uint16_t id, const std::vector<unsigned char>& data) {
        const unsigned char head[] = {'8', 'B', 'I', 'M', static_cast<unsigned char>(id >> 8),
                                      static_cast<unsigned char>(id), 0, 0, 0, 0,
                                      static_cast<unsigned char>(data.size() >> 8),
                                      static_cast<unsigned char>(data.size())};
        resources.insert(resources.end(), std::begin(head), std::end(head));
        resources.insert(resources.end(), data.begin(), data.end());
        if (data.size() % 2) resources.push_back(0);
    };
    resource(0x0404, iptc);
    resource(0x0425, std::vector<unsigned char>(16, 0));
    std::vector<unsigned char> jpeg = MinimalJpeg();
    const size_t length = resources.size() + 2;
    std::vector<unsigned char> segment = {0xFF, 0xED, static_cast<unsigned char>(length >> 8),
                                          static_cast<unsigned char>(length)};
    segment.insert(segment.end(), resources.begin(), resources.end());
    jpeg.insert(jpeg.begin() + 2, segment.begin(), segment.end());
    return jpeg;
}

TEST_F(WriteKeeps, AChangedIptcBlockGetsAFreshDigest) {
    EXPECT_EQ(Md5(reinterpret_cast<const unsigned char*>("abc"), 3),
              std::string("\x90\x01\x50\x98\x3c\xd2\x4f\xb0\xd6\x96\x3f\x7d\x28\xe1\x7f\x72", 16));
    // Record 2, dataset 25 (Keywords): "old".
    const std::vector<unsigned char> iptc = {0x1C, 0x02, 0x19, 0x00, 0x03, 'o', 'l', 'd'};
    std::vector<unsigned char> jpeg = JpegWithIptcDigest(iptc);
    ASSERT_TRUE(RefreshIptcDigest(jpeg.data(), jpeg.size()));
    EXPECT_FALSE(RefreshIptcDigest(jpeg.data(), jpeg.size()));  // already current
    const std::string path = dir_.File("digest.jpg");
    WriteBytes(path, JpegWithIptcDigest(iptc));
    HandlePtr handle(OpenMetaHandle(path.c_str(), 0));
    Set(handle.get(), "Iptc.Application2.Keywords", u"new");
    ASSERT_EQ(WriteData(handle.get(), nullptr, 0, 0), 1);
    std::vector<unsigned char> written = ReadBytes(path);
    const std::vector<unsigned char> before = written;
    // The digest on disk is already the MD5 of the new block: refreshing
    // again changes nothing, and the block holds the new keyword.
    EXPECT_FALSE(RefreshIptcDigest(written.data(), written.size()));
    EXPECT_EQ(written, before);
    EXPECT_EQ(OnDisk(ReadBack(path), "Iptc.Application2.Keywords"), "new");
}

}  // namespace
}  // namespace lumenmeta
