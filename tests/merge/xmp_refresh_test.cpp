// A write converts only the twin groups that its source step did not leave
// in step. Whatever it skips, the image must come out of the merge exactly
// as the full conversions leave it.
#include "merge/merge_driver.h"
#include "merge/twin_keys.h"
#include "merge/xmp_refresh.h"
#include "save/carry_source.h"

#include "support/fixture_image.h"
#include "support/handles.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>

namespace lumenmeta {
namespace {

using namespace test;

using ImagePtr = std::unique_ptr<Exiv2::Image>;

ImagePtr NewImage() { return ImagePtr(Exiv2::ImageFactory::create(Exiv2::ImageType::jpeg).release()); }

// A camera's Exif: plain, array, rational, date and GPS twins, a struct
// (Flash), a user comment, and tags that no conversion touches.
void CameraExif(Exiv2::ExifData& exif) {
    Fill(exif, {"Exif.Image.Make=Canon", "Exif.Image.Model=EOS 5D", "Exif.Image.Artist=Ann Example",
                "Exif.Image.Orientation=6", "Exif.Image.XResolution=72/1",
                "Exif.Image.ImageDescription=Harbour at dawn", "Exif.Image.Copyright=Ann",
                "Exif.Photo.DateTimeOriginal=2021:06:01 07:08:09",
                "Exif.Photo.SubSecTimeOriginal=42", "Exif.Image.DateTime=2021:06:02 10:00:00",
                "Exif.Photo.ExposureTime=1/250", "Exif.Photo.FNumber=28/10",
                "Exif.Photo.ISOSpeedRatings=400", "Exif.Photo.Flash=16",
                "Exif.Photo.ExposureBiasValue=-1/3", "Exif.GPSInfo.GPSLatitude=51/1 30/1 1234/100",
                "Exif.GPSInfo.GPSLatitudeRef=N", "Exif.GPSInfo.GPSAltitude=120/1",
                "Exif.GPSInfo.GPSAltitudeRef=0", "Exif.Photo.UserComment=charset=Ascii a note",
                "Exif.Image.HostComputer=not a twin", "Exif.Photo.WhiteBalance=1"});
}

void CaptionIptc(Exiv2::IptcData& iptc) {
    Fill(iptc, {"Iptc.Application2.Caption=Harbour", "Iptc.Application2.Keywords=boats",
                "Iptc.Application2.Keywords=dawn", "Iptc.Application2.City=Kiel"});
}

// What an earlier write leaves: Exif, its XMP twins and the Exif digests,
// besides an XMP rating. `stale`: the Exif changed after the digests.
ImagePtr WrittenBefore(bool stale) {
    ImagePtr image = NewImage();
    CameraExif(image->exifData());
    Fill(image->xmpData(), {"Xmp.xmp.Rating=4", "Xmp.xmp.Label=Blue"});
    Exiv2::syncExifWithXmp(image->exifData(), image->xmpData());
    if (stale) image->exifData()["Exif.Image.Model"] = "EOS 6D";
    return image;
}

struct Source {
    const char* name;
    std::function<void(Exiv2::Image&)> fill;
};

const std::vector<Source>& Sources() {
    static const std::vector<Source> sources = {
        {"Exif, IPTC and a little XMP",
         [](Exiv2::Image& image) {
             CameraExif(image.exifData());
             CaptionIptc(image.iptcData());
             Fill(image.xmpData(), {"Xmp.dc.title=lang=x-default Boats", "Xmp.xmp.Label=Blue"});
         }},
        {"XMP twins that disagree with Exif",
         [](Exiv2::Image& image) {
             CameraExif(image.exifData());
             Fill(image.xmpData(), {"Xmp.tiff.Make=Nikon", "Xmp.exif.FNumber=4/1",
                                    "Xmp.dc.creator=Bob", "Xmp.xmp.Rating=3",
                                    "Xmp.exif.DateTimeOriginal=2020-01-01T00:00:00"});
         }},
        {"XMP with the Exif digests",
         [](Exiv2::Image& image) {
             CameraExif(image.exifData());
             Fill(image.xmpData(), {"Xmp.tiff.NativeDigest=0", "Xmp.exif.NativeDigest=0",
                                    "Xmp.tiff.Model=Other"});
         }},
        {"written before",
         [](Exiv2::Image& image) {
             ImagePtr written = WrittenBefore(false);
             image.exifData() = written->exifData();
             image.xmpData() = written->xmpData();
         }},
        {"written before, Exif changed since",
         [](Exiv2::Image& image) {
             ImagePtr written = WrittenBefore(true);
             image.exifData() = written->exifData();
             image.xmpData() = written->xmpData();
             CaptionIptc(image.iptcData());
         }},
        {"written before, XMP changed since",
         [](Exiv2::Image& image) {
             ImagePtr written = WrittenBefore(false);
             image.exifData() = written->exifData();
             image.xmpData() = written->xmpData();
             Fill(image.xmpData(), {"Xmp.exif.ISOSpeedRatings=800"});
             image.xmpData()["Xmp.tiff.Model"] = "EOS 7D";
             image.xmpData()["Xmp.tiff.Make"] = "";
         }},
        {"written before, Exif values emptied since",
         [](Exiv2::Image& image) {
             ImagePtr written = WrittenBefore(false);
             image.exifData() = written->exifData();
             image.xmpData() = written->xmpData();
             image.exifData()["Exif.Image.Make"] = "";
             image.exifData()["Exif.Photo.FNumber"] = Exiv2::URationalValue(Exiv2::URational(0, 0));
         }},
        {"no XMP", [](Exiv2::Image& image) {
             CameraExif(image.exifData());
             CaptionIptc(image.iptcData());
         }},
        {"IPTC without its Exif twins, no XMP",
         [](Exiv2::Image& image) {
             Fill(image.exifData(), {"Exif.Image.Make=Canon"});
             Fill(image.iptcData(), {"Iptc.Application2.Caption=Harbour", "Iptc.Application2.Byline=Ann",
                                     "Iptc.Application2.Keywords=boats"});
         }},
        {"XMP only", [](Exiv2::Image& image) {
             Fill(image.xmpData(), {"Xmp.tiff.Make=Leica", "Xmp.exif.ExposureTime=1/60",
                                    "Xmp.dc.subject=one", "Xmp.photoshop.City=Bonn"});
         }},
    };
    return sources;
}

struct Edit {
    const char* name;
    std::function<void(MetaHandle&)> apply;
};

void Set(MetaHandle& handle, const char* key, const std::u16string& text) {
    ASSERT_EQ(AddMetaDataW(&handle, key, MakeBstr(text).get()), 1) << key;
}

const std::vector<Edit>& Edits() {
    static const std::vector<Edit> edits = {
        {"none", [](MetaHandle&) {}},
        {"Exif artist", [](MetaHandle& h) { Set(h, "Exif.Image.Artist", u"Carla"); }},
        {"Exif model and date",
         [](MetaHandle& h) {
             Set(h, "Exif.Image.Model", u"R6");
             Set(h, "Exif.Photo.DateTimeOriginal", u"2022:02:03 04:05:06");
         }},
        {"IPTC headline and city",
         [](MetaHandle& h) {
             Set(h, "Iptc.Application2.Headline", u"Boats");
             Set(h, "Iptc.Application2.City", u"Lübeck");
         }},
        {"XMP twins",
         [](MetaHandle& h) {
             Set(h, "Xmp.tiff.Make", u"Sony");
             Set(h, "Xmp.exif.GPSAltitude", u"300/1");
         }},
        {"cleared",
         [](MetaHandle& h) {
             ClearMetaData(&h, "Exif.Image.Make");
             ClearMetaData(&h, "Exif.GPSInfo.GPSLatitude");
             ClearMetaData(&h, "Xmp.tiff.Orientation");
         }},
    };
    return edits;
}

// Every datum as "key=type:text", sorted: what the file will hold, whatever
// the order inside the containers.
Texts Sorted(Texts entries) {
    std::sort(entries.begin(), entries.end());
    return entries;
}

void ExpectSameMetadata(Exiv2::Image& a, Exiv2::Image& b) {
    EXPECT_EQ(Sorted(TypedEntries(a.exifData())), Sorted(TypedEntries(b.exifData())));
    EXPECT_EQ(Sorted(TypedEntries(a.iptcData())), Sorted(TypedEntries(b.iptcData())));
    EXPECT_EQ(Sorted(TypedEntries(a.xmpData())), Sorted(TypedEntries(b.xmpData())));
}

// A target with twins of its own, some under the source's keys.
ImagePtr OtherFile() {
    ImagePtr image = NewImage();
    Fill(image->exifData(), {"Exif.Image.Make=Target", "Exif.Image.Software=Editor 2",
                             "Exif.Photo.FocalLength=50/1"});
    Fill(image->iptcData(), {"Iptc.Application2.Headline=Target headline"});
    Fill(image->xmpData(), {"Xmp.xmp.Rating=2", "Xmp.exif.FocalLength=35/1", "Xmp.tiff.Model=Other"});
    return image;
}

TEST(XmpRefresh, SkippingGroupsInStepGivesWhatTheFullConversionsGive) {
    int skipped = 0;
    for (const Source& source : Sources()) {
        for (const Edit& edit : Edits()) {
            SCOPED_TRACE(std::string(source.name) + ", edit: " + edit.name);
            // The handle opened from the file, then edited.
            HandlePtr handle = EmptyHandle();
            ImagePtr file = NewImage();
            source.fill(*file);
            handle->exifData = file->exifData();
            handle->iptcData = file->iptcData();
            handle->xmpData = file->xmpData();
            edit.apply(*handle);

            // The write in place, once converting only what it must and once
            // converting everything.
            ImagePtr quick = NewImage(), full = NewImage();
            source.fill(*quick);
            source.fill(*full);
            SyncedTwins synced;
            PrepareSourceImage(*quick, &synced);
            const std::vector<bool> convert =
                synced.GroupsToRefresh(quick->exifData(), quick->iptcData(), quick->xmpData());
            skipped += static_cast<int>(std::count(convert.begin(), convert.end(), false));
            MergeHandleIntoImage(*handle, *quick, &synced);
            PrepareSourceImage(*full);
            MergeHandleIntoImage(*handle, *full);

            ExpectSameMetadata(*quick, *full);

            // The write into another file, which has metadata of its own.
            ImagePtr quickTarget = OtherFile(), fullTarget = OtherFile();
            ImagePtr quickSource = NewImage(), fullSource = NewImage();
            source.fill(*quickSource);
            source.fill(*fullSource);
            SyncedTwins carried;
            CarrySourceMetadata(*quickSource, *quickTarget, &carried);
            MergeHandleIntoImage(*handle, *quickTarget, &carried);
            CarrySourceMetadata(*fullSource, *fullTarget);
            MergeHandleIntoImage(*handle, *fullTarget);
            ExpectSameMetadata(*quickTarget, *fullTarget);
        }
    }
    // The comparison means something only when groups were skipped.
    EXPECT_GT(skipped, 100);
}

TEST(XmpRefresh, GroupsInStepAreThoseTheSyncMadeFromExifAlone) {
    ImagePtr image = NewImage();
    CameraExif(image->exifData());
    CaptionIptc(image->iptcData());
    Fill(image->xmpData(), {"Xmp.tiff.Make=Nikon", "Xmp.xmp.Label=Blue"});
    SyncedTwins synced;
    EXPECT_EQ(synced.GroupsToRefresh(image->exifData(), image->iptcData(), image->xmpData()),
              std::vector<bool>(TwinGroupCount(), true));  // nothing noted yet
    PrepareSourceImage(*image, &synced);
    const auto toConvert = [&](const char* key) {
        return static_cast<bool>(synced.GroupsToRefresh(image->exifData(), image->iptcData(),
                                                        image->xmpData())[TwinGroupOf(key)]);
    };
    EXPECT_FALSE(toConvert("Exif.Image.Model"));     // XMP made from Exif
    EXPECT_FALSE(toConvert("Xmp.exif.Flash/exif:Fired"));
    EXPECT_FALSE(toConvert("Exif.GPSInfo.GPSLatitudeRef"));
    // The date went on into IPTC, which makes its group one to convert.
    EXPECT_TRUE(toConvert("Exif.Photo.SubSecTimeOriginal"));
    EXPECT_FALSE(toConvert("Exif.Photo.Contrast"));  // nowhere at all
    EXPECT_TRUE(toConvert("Exif.Image.Make"));       // XMP was in the file
    EXPECT_TRUE(toConvert("Iptc.Application2.City"));  // IPTC among them
    EXPECT_TRUE(toConvert("Exif.Image.ImageDescription"));

    // A change in any family puts the group back.
    image->exifData()["Exif.Photo.FNumber"] = Exiv2::URationalValue(Exiv2::URational(4, 1));
    image->xmpData()["Xmp.exif.Flash/exif:Mode"] = "3";
    image->iptcData()["Iptc.Application2.ObjectName"] = "title";
    EXPECT_TRUE(toConvert("Exif.Photo.FNumber"));
    EXPECT_TRUE(toConvert("Exif.Photo.Flash"));
    EXPECT_TRUE(toConvert("Xmp.dc.title"));
    EXPECT_FALSE(toConvert("Exif.Image.Model"));

    // A file written before: its XMP holds the Exif twins, an XMP rating
    // without an Exif twin, and the Exif digests.
    for (const bool stale : {false, true}) {
        SCOPED_TRACE(stale ? "digests of other Exif" : "digests of this Exif");
        ImagePtr written = WrittenBefore(stale);
        SyncedTwins noted;
        PrepareSourceImage(*written, &noted);
        const std::vector<bool> refresh =
            noted.GroupsToRefresh(written->exifData(), written->iptcData(), written->xmpData());
        const std::vector<bool> mirror =
            noted.GroupsToMirror(written->exifData(), written->iptcData(), written->xmpData());
        // Exif and XMP hold each other's twins: whichever way Exiv2
        // converted, a conversion gives back what is there.
        EXPECT_FALSE(refresh[TwinGroupOf("Exif.Image.Model")]);
        EXPECT_FALSE(mirror[TwinGroupOf("Exif.Image.Model")]);
        // The rating has no Exif to come from unless Exiv2 converted XMP into
        // Exif (the digests matched): otherwise it still goes into Exif.
        EXPECT_FALSE(refresh[TwinGroupOf("Xmp.xmp.Rating")]);
        EXPECT_EQ(mirror[TwinGroupOf("Xmp.xmp.Rating")], stale);
        EXPECT_EQ(Find(written->exifData(), "Exif.Image.Rating") != nullptr, !stale);
    }
    // An Exif value whose XMP twin is missing would be converted.
    ImagePtr partial = WrittenBefore(false);
    EraseAll(partial->xmpData(), "Xmp.exif.FNumber");
    SyncedTwins noted;
    PrepareSourceImage(*partial, &noted);
    EXPECT_TRUE(noted.GroupsToRefresh(partial->exifData(), partial->iptcData(),
                                      partial->xmpData())[TwinGroupOf("Exif.Photo.FNumber")]);
}

TEST(TwinGroups, JoinRowsThatShareAKeyAndTheirCompanions) {
    const int date = TwinGroupOf("Exif.Photo.DateTimeOriginal");
    ASSERT_GE(date, 0);
    for (const char* key : {"Exif.Photo.SubSecTimeOriginal", "Xmp.exif.DateTimeOriginal",
                            "Xmp.photoshop.DateCreated", "Iptc.Application2.DateCreated"}) {
        EXPECT_EQ(TwinGroupOf(key), date) << key;
    }
    EXPECT_EQ(TwinGroupOf("Exif.Image.Artist"), TwinGroupOf("Iptc.Application2.Byline"));
    EXPECT_EQ(TwinGroupOf("Xmp.exif.Flash/exif:Fired"), TwinGroupOf("Exif.Photo.Flash"));
    EXPECT_EQ(TwinGroupOf("Exif.GPSInfo.GPSLatitudeRef"), TwinGroupOf("Xmp.exif.GPSLatitude"));
    EXPECT_NE(TwinGroupOf("Exif.Image.Make"), TwinGroupOf("Exif.Image.Model"));
    EXPECT_EQ(TwinGroupOf("Exif.Image.HostComputer"), -1);
    EXPECT_EQ(TwinGroupOf("Xmp.xmp.Label"), -1);
    EXPECT_EQ(TwinGroupOf("Xmp.exif.Flashy"), -1);
    // Every row's keys lie in one group, and the groups are numbered densely.
    for (const TwinRow& row : TwinRows()) {
        const int group = TwinGroupOf(row.xmpKey);
        EXPECT_TRUE(group >= 0 && group < TwinGroupCount()) << row.xmpKey;
        if (row.exifKey) {
            EXPECT_EQ(TwinGroupOf(row.exifKey), group) << row.xmpKey;
        }
        if (row.iptcKey) {
            EXPECT_EQ(TwinGroupOf(row.iptcKey), group) << row.xmpKey;
        }
    }
}

// With one of the two Exif digests, Exiv2 takes the XMP for a first
// conversion from Exif and writes Exif over it; the file's values, Exif and
// XMP, disagreeing twins included, stay as they are after a write with no
// edit. A twin the write adds is allowed; a value replaced or lost is not.
TEST(XmpRefresh, AFileWithOneExifDigestKeepsEveryValueThroughAWriteWithNoEdit) {
    for (const char* digest : {"Xmp.tiff.NativeDigest", "Xmp.exif.NativeDigest"}) {
        SCOPED_TRACE(digest);
        TempDir dir;
        FixtureImage fixture;
        CameraExif(fixture.exif);
        Fill(fixture.xmp, {"Xmp.tiff.Make=Nikon", "Xmp.tiff.Orientation=1", "Xmp.exif.FNumber=4/1",
                           "Xmp.dc.creator=Bob", "Xmp.xmp.Rating=3", "Xmp.xmp.ModifyDate=2019-05-05T05:05:05",
                           "Xmp.exif.DateTimeOriginal=2020-01-01T00:00:00",
                           std::string(digest) + "=256,257,258;0123456789ABCDEF0123456789ABCDEF"});
        const std::string path = fixture.WriteTo(dir.File("photo.jpg"));
        const FileMetadata before = ReadBack(path);
        ASSERT_EQ(ValuesOf(before.xmp, "Xmp.tiff.Make"), Texts{"Nikon"});
        {
            HandlePtr handle(OpenMetaHandle(path.c_str(), 0));
            ASSERT_EQ(WriteData(handle.get(), nullptr, 0, 0), 1);
        }
        const FileMetadata after = ReadBack(path);
        for (const std::string& key : KeysOf(before.exif)) {
            // The offsets of the sub-IFDs move with what the write adds.
            if (key == "Exif.Image.ExifTag" || key == "Exif.Image.GPSTag") continue;
            EXPECT_EQ(ValuesOf(after.exif, key), ValuesOf(before.exif, key)) << key;
        }
        for (const std::string& key : KeysOf(before.xmp)) {
            EXPECT_EQ(ValuesOf(after.xmp, key), ValuesOf(before.xmp, key)) << key;
        }
    }
}

}  // namespace
}  // namespace lumenmeta
