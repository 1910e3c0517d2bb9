// Formats that hold XMP alone are written: an XMP sidecar made by Exiv2 and
// an EPS file. The edit lands, and every other value, and the PostScript
// around the XMP, stays as it was.
#include "lumenmeta.h"

#include "support/fixture_image.h"
#include "support/handles.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

namespace lumenmeta {
namespace {

using namespace test;

// The smallest EPS that Exiv2 reads and writes: the DSC comments it looks
// for, and one page of PostScript.
const std::string kEps =
    "%!PS-Adobe-3.0 EPSF-3.0\n"
    "%%BoundingBox: 0 0 10 10\n"
    "%%EndComments\n"
    "%%BeginProlog\n"
    "%%EndProlog\n"
    "%%Page: 1 1\n"
    "%%BeginPageSetup\n"
    "%%EndPageSetup\n"
    "newpath 0 0 moveto 10 10 lineto stroke\n"
    "%%PageTrailer\n"
    "%%Trailer\n"
    "%%EOF\n";

Exiv2::XmpData HeldXmp() {
    Exiv2::XmpData xmp;
    Fill(xmp, {"Xmp.dc.title=lang=x-default Harbour", "Xmp.xmp.Rating=3", "Xmp.photoshop.City=Kiel",
               "Xmp.exif.DateTimeOriginal=2020-01-02T03:04:05+01:00", "Xmp.tiff.Make=Canon",
               "Xmp.dc.description=lang=x-default A quiet harbour"});
    xmp["Xmp.dc.subject"] = "boats";
    xmp["Xmp.dc.subject"] = "dawn";
    return xmp;
}

// Sorted "key=text" entries of the XMP with `key` set to `text`.
Texts Expected(Exiv2::XmpData xmp, const std::string& key, const std::string& text) {
    xmp[key] = text;
    Texts entries = Entries(xmp);
    std::sort(entries.begin(), entries.end());
    return entries;
}

// Sorted "key=text" entries of the file's XMP, without the Exif digests that
// the conversions of every write add to XMP (of an empty Exif here).
Texts SortedXmp(const std::string& path) {
    Texts entries;
    for (const std::string& entry : Entries(ReadBack(path).xmp)) {
        if (entry.find("NativeDigest=") == std::string::npos) entries.push_back(entry);
    }
    std::sort(entries.begin(), entries.end());
    return entries;
}

TEST(WritableFormat, XmpAloneIsWrittenIntoASidecarAndAnEps) {
    TempDir dir;
    const std::string sidecar = dir.File("photo.xmp");
    WriteSidecar(sidecar, HeldXmp());
    const std::string eps = dir.File("drawing.eps");
    WriteBytes(eps, std::vector<unsigned char>(kEps.begin(), kEps.end()));
    {
        std::unique_ptr<Exiv2::Image> image(Exiv2::ImageFactory::open(eps).release());
        image->readMetadata();
        image->setXmpData(HeldXmp());
        image->writeMetadata();
    }
    for (const std::string& path : {sidecar, eps}) {
        SCOPED_TRACE(path);
        ASSERT_EQ(SortedXmp(path), Expected(HeldXmp(), "Xmp.xmp.Rating", "3"));
        const std::vector<unsigned char> before = ReadBytes(path);
        {
            HandlePtr handle(OpenMetaHandle(path.c_str(), 0));
            ASSERT_NE(handle, nullptr);
            EXPECT_EQ(AddMetaDataW(handle.get(), "Xmp.xmp.Rating", MakeBstr(u"5").get()), 1);
            EXPECT_EQ(WriteData(handle.get(), nullptr, 0, 0), 1);
        }
        EXPECT_EQ(SortedXmp(path), Expected(HeldXmp(), "Xmp.xmp.Rating", "5"));
        // A write with no edit changes no byte.
        const std::vector<unsigned char> edited = ReadBytes(path);
        {
            HandlePtr handle(OpenMetaHandle(path.c_str(), 0));
            EXPECT_EQ(WriteData(handle.get(), nullptr, 0, 0), 1);
        }
        EXPECT_EQ(ReadBytes(path), edited);
        EXPECT_NE(edited, before);
    }
    // No Exif or IPTC went into the EPS (a sidecar's read converts its XMP
    // into both), and the PostScript around the XMP is untouched.
    EXPECT_TRUE(ReadBack(eps).exif.empty());
    EXPECT_TRUE(ReadBack(eps).iptc.empty());
    const std::vector<unsigned char> bytes = ReadBytes(eps);
    const std::string text(bytes.begin(), bytes.end());
    EXPECT_EQ(text.compare(0, 24, kEps, 0, 24), 0);
    EXPECT_NE(text.find("newpath 0 0 moveto 10 10 lineto stroke\n"), std::string::npos);
    EXPECT_NE(text.find("%%BoundingBox: 0 0 10 10\n"), std::string::npos);
}

}  // namespace
}  // namespace lumenmeta
