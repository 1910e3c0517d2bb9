#include "lumenmeta.h"

#include "support/handles.h"
#include "support/jpeg_bytes.h"
#include "support/temp_dir.h"
#include "support/value_forms_fixture.h"

#include <gtest/gtest.h>

#include <cmath>
#include <tuple>

namespace lumenmeta::test {
namespace {

using Delivered = std::tuple<int, std::string>;  // the result and the text delivered

Delivered Form(int (*get)(MetaHandle*, const char*, int, char**), MetaHandle* h, const char* key,
          int index = 0) {
    char* text = nullptr;
    const int type = get(h, key, index, &text);
    Delivered read{type, text ? text : "(untouched)"};
    FreeMetaDataText(text);
    return read;
}

Delivered StoredForm(MetaHandle* h, const char* key, int index = 0) {
    return Form(GetMetaDataStored, h, key, index);
}
Delivered ReadableForm(MetaHandle* h, const char* key, int index = 0) {
    return Form(GetMetaDataText, h, key, index);
}

// The fixture written to a file by Exiv2 and opened as a host would.
HandlePtr OpenFormsFixture(const TempDir& dir) {
    return HandlePtr(OpenMetaHandle(ValueFormsFixture().WriteTo(dir.File("forms.jpg")).c_str(), 0));
}

TEST(ValueForms, EveryExifTypeInBothForms) {
    TempDir dir;
    HandlePtr handle = OpenFormsFixture(dir);
    for (const FormsRow& row : ValueFormsAnswers()) {
        EXPECT_EQ(StoredForm(handle.get(), row.key.c_str()), Delivered(row.type, row.stored)) << row.key;
        EXPECT_EQ(ReadableForm(handle.get(), row.key.c_str()), Delivered(row.type, row.readable)) << row.key;
    }
    // The reads change none of the family flags.
    EXPECT_EQ(HadIptcData(handle.get()), 0);
}

TEST(ValueForms, RepeatedValuesItemsAndLanguagesAreCountedByIndex) {
    TempDir dir;
    HandlePtr handle = OpenFormsFixture(dir);
    MetaHandle* h = handle.get();
    const std::vector<std::tuple<const char*, int, Delivered, Delivered>> rows = {
        {"Iptc.Application2.Keywords", 0, {0x10000, "harbour"}, {0x10000, "harbour"}},
        {"Iptc.Application2.Keywords", 1, {0x10000, "boats"}, {0x10000, "boats"}},
        {"Xmp.dc.subject", 0, {0x10007, "harbour"}, {0x10007, "harbour"}},
        {"Xmp.dc.subject", 1, {0x10007, "boats"}, {0x10007, "boats"}},
        {"Xmp.dc.title", 0, {0x10009, "Harbour"}, {0x10009, "Harbour"}},
        {"Xmp.dc.title", 1, {0x10009, "Hafen"}, {0x10009, "Hafen"}},
        {"Xmp.tiff.Orientation", 0, {0x10005, "6"}, {0x10005, "right, top"}},
    };
    for (const auto& [key, index, stored, readable] : rows) {
        EXPECT_EQ(StoredForm(h, key, index), stored) << key << " " << index;
        EXPECT_EQ(ReadableForm(h, key, index), readable) << key << " " << index;
    }
    // Past the last value, a key not held, a misspelt family, bad arguments.
    const Delivered none{0, "(untouched)"};
    EXPECT_EQ(StoredForm(h, "Iptc.Application2.Keywords", 2), none);
    EXPECT_EQ(StoredForm(h, "Exif.Image.Model", 1), none);
    EXPECT_EQ(StoredForm(h, "Exif.Image.Model", -1), none);
    EXPECT_EQ(StoredForm(h, "Exif.Image.Artist"), none);
    EXPECT_EQ(StoredForm(h, "exif.Image.Model"), none);
    EXPECT_EQ(StoredForm(nullptr, "Exif.Image.Model"), none);
    EXPECT_EQ(StoredForm(h, nullptr), none);
    EXPECT_EQ(GetMetaDataStored(h, "Exif.Image.Model", 0, nullptr), 0);
}

TEST(ValueForms, CommentsBytesAndEmptyValues) {
    HandlePtr handle = EmptyHandle();
    MetaHandle* h = handle.get();
    h->exifData["Exif.Photo.UserComment"] = "charset=Unicode Gr\xC3\xBC\xC3\x9F" "e";
    h->exifData["Exif.Image.Artist"] = "Caf\xE9";  // Windows-1252 bytes
    h->exifData["Exif.Image.Software"] = "";
    Exiv2::DataValue noise(Exiv2::undefined);
    noise.read("200 0 7");
    h->exifData.add(Exiv2::ExifKey("Exif.Photo.MakerNote"), &noise);
    EXPECT_EQ(StoredForm(h, "Exif.Photo.UserComment"), Delivered(7, "Gr\xC3\xBC\xC3\x9F" "e"));
    EXPECT_EQ(ReadableForm(h, "Exif.Photo.UserComment"), Delivered(7, "Gr\xC3\xBC\xC3\x9F" "e"));
    EXPECT_EQ(StoredForm(h, "Exif.Image.Artist"), Delivered(2, "Caf\xC3\xA9"));
    EXPECT_EQ(StoredForm(h, "Exif.Image.Software"), Delivered(2, ""));
    EXPECT_EQ(ReadableForm(h, "Exif.Image.Software"), Delivered(2, ""));
    EXPECT_EQ(StoredForm(h, "Exif.Photo.MakerNote"), Delivered(7, "200 0 7"));
}

// Exiv2's own print of a datum, trailing blanks removed.
std::string Exiv2Print(const Exiv2::Metadatum& datum, const Exiv2::ExifData& exif) {
    std::ostringstream printed;
    datum.write(printed, &exif);
    std::string text = printed.str();
    text.erase(text.find_last_not_of(' ') + 1);
    return text;
}

TEST(ValueForms, EveryTagOfTheMainGroupsReadsAsExiv2PrintsIt) {
    // Every tag Exiv2 lists for these groups, with a number and with text:
    // those it prints as they are and those it interprets come out alike.
    HandlePtr handle = EmptyHandle();
    MetaHandle* h = handle.get();
    size_t tags = 0;
    for (const char* group : {"Image", "Photo", "GPSInfo", "Iop", "Canon", "Nikon3", "Iptc"}) {
        for (const char* text : {"3", "F8 "}) {
            h->exifData.clear();
            h->iptcData.clear();
            std::vector<std::string> keys;
            if (std::string(group) == "Iptc") {
                for (const Exiv2::DataSet* set : {Exiv2::IptcDataSets::envelopeRecordList(),
                                                  Exiv2::IptcDataSets::application2RecordList()}) {
                    for (; set->number_ != 0xffff; ++set) {
                        const Exiv2::IptcKey key(set->number_, set->recordId_);
                        h->iptcData.add(key, Exiv2::Value::create(Exiv2::string).get());
                        h->iptcData.findKey(key)->setValue(text);
                        keys.push_back(key.key());
                    }
                }
            } else {
                for (const Exiv2::TagInfo* tag = Exiv2::ExifTags::tagList(group); tag->tag_ != 0xffff;
                     ++tag) {
                    const Exiv2::ExifKey key(tag->tag_, group);
                    auto value = Exiv2::Value::create(text[0] == '3' ? Exiv2::unsignedShort
                                                                     : Exiv2::asciiString);
                    value->read(text);
                    h->exifData.add(key, value.get());
                    keys.push_back(key.key());
                }
            }
            for (const std::string& key : keys) {
                const Exiv2::Metadatum* datum = nullptr;
                if (key.rfind("Iptc.", 0) == 0) {
                    datum = &*h->iptcData.findKey(Exiv2::IptcKey(key));
                } else {
                    datum = &*h->exifData.findKey(Exiv2::ExifKey(key));
                }
                std::string expected;
                try {
                    expected = Exiv2Print(*datum, h->exifData);
                } catch (...) {
                    continue;  // what Exiv2 cannot print reads as stored
                }
                EXPECT_EQ(std::get<1>(ReadableForm(h, key.c_str())), expected) << key << " = " << text;
                ++tags;
            }
        }
    }
    EXPECT_GT(tags, 1200u);
}

TEST(ValueForms, NumbersAndTextAreStoredAsExiv2WritesThem) {
    // Each number type at its limits and with several components, and text
    // with trailing zeros, against Exiv2's own text of the value.
    HandlePtr handle = EmptyHandle();
    MetaHandle* h = handle.get();
    const std::vector<std::pair<Exiv2::TypeId, const char*>> values = {
        {Exiv2::unsignedShort, "0 65535 7"},
        {Exiv2::unsignedLong, "4294967295 0 1"},
        {Exiv2::signedShort, "-32768 32767"},
        {Exiv2::signedLong, "-2147483648 2147483647 -1"},
        {Exiv2::unsignedRational, "4294967295/1 0/0 1/4294967295"},
        {Exiv2::signedRational, "-2147483648/-1 7/-3 0/1"},
        {Exiv2::asciiString, "Kodak"},
        {Exiv2::undefined, "0 1 255"},
    };
    for (const auto& [type, text] : values) {
        h->exifData.clear();
        auto value = Exiv2::Value::create(type);
        value->read(text);
        h->exifData.add(Exiv2::ExifKey("Exif.Image.ImageNumber"), value.get());
        EXPECT_EQ(std::get<1>(StoredForm(h, "Exif.Image.ImageNumber")), value->toString()) << text;
    }
    Exiv2::AsciiValue zeros;
    zeros.read(std::string("Lens\0\0\0", 7));
    h->exifData.clear();
    h->exifData.add(Exiv2::ExifKey("Exif.Photo.LensModel"), &zeros);
    EXPECT_EQ(StoredForm(h, "Exif.Photo.LensModel"), Delivered(2, "Lens"));
}

TEST(GetMetaDataEntries, ListsEveryValueWithBothFormsInOneBlock) {
    TempDir dir;
    HandlePtr handle = OpenFormsFixture(dir);
    MetaDataEntry* entries = nullptr;
    const int32_t count = GetMetaDataEntries(handle.get(), "Exif", &entries);
    // The answers in the image's order, and the two IFD pointers Exiv2's
    // write added.
    ASSERT_EQ(count, static_cast<int32_t>(ValueFormsAnswers().size()) + 2);
    size_t row = 0;
    for (int32_t i = 0; i < count; ++i) {
        const MetaDataEntry& e = entries[i];
        if (e.key == std::string("Exif.Image.ExifTag") || e.key == std::string("Exif.Image.GPSTag")) {
            EXPECT_STREQ(e.typeName, "Long");
            continue;
        }
        const FormsRow& answer = ValueFormsAnswers().at(row++);
        EXPECT_EQ(std::make_tuple(std::string(e.key), e.type, e.index, std::string(e.language),
                                  std::string(e.stored), std::string(e.text)),
                  std::make_tuple(answer.key, answer.type, 0, std::string(), answer.stored,
                                  answer.readable));
    }
    EXPECT_STREQ(entries[0].typeName, "Short");
    FreeMetaDataEntries(entries);

    entries = nullptr;
    const int32_t all = GetMetaDataEntries(handle.get(), nullptr, &entries);
    std::vector<std::tuple<std::string, int, std::string, std::string>> tail;
    for (int32_t i = count; i < all; ++i) {
        tail.emplace_back(entries[i].key, entries[i].index, entries[i].language, entries[i].stored);
    }
    FreeMetaDataEntries(entries);
    using Row = std::tuple<std::string, int, std::string, std::string>;
    EXPECT_EQ(tail, (std::vector<Row>{
                        {"Iptc.Application2.Keywords", 0, "", "harbour"},
                        {"Iptc.Application2.Keywords", 1, "", "boats"},
                        {"Xmp.dc.subject", 0, "", "harbour"},
                        {"Xmp.dc.subject", 1, "", "boats"},
                        {"Xmp.dc.title", 0, "x-default", "Harbour"},
                        {"Xmp.dc.title", 1, "de-DE", "Hafen"},
                        {"Xmp.tiff.Orientation", 0, "", "6"},
                    }));

    entries = reinterpret_cast<MetaDataEntry*>(&dir);  // must stay untouched on failure
    EXPECT_EQ(GetMetaDataEntries(handle.get(), "XMP", &entries), -1);
    EXPECT_EQ(GetMetaDataEntries(nullptr, "Exif", &entries), -1);
    EXPECT_EQ(entries, reinterpret_cast<MetaDataEntry*>(&dir));
    EXPECT_EQ(GetMetaDataEntries(handle.get(), "Exif", nullptr), -1);
    HandlePtr empty = EmptyHandle();
    EXPECT_EQ(GetMetaDataEntries(empty.get(), nullptr, &entries), 0);
    EXPECT_EQ(entries, nullptr);
    FreeMetaDataEntries(nullptr);
}

TEST(GetGpsDecimal, SignedDegreesFromEachReferenceAndTheAltitude) {
    TempDir dir;
    HandlePtr handle = OpenFormsFixture(dir);
    double value = 0;
    ASSERT_EQ(GetGpsDecimal(handle.get(), "Exif.GPSInfo.GPSLatitude", &value), 1);
    EXPECT_NEAR(value, 50.957, 1e-9);  // 50° 57' 25.2" N
    ASSERT_EQ(GetGpsDecimal(handle.get(), "Exif.GPSInfo.GPSLongitude", &value), 1);
    EXPECT_NEAR(value, -(6 + 3 / 60.0 + 45.12 / 3600), 1e-9);  // W
    ASSERT_EQ(GetGpsDecimal(handle.get(), "Exif.GPSInfo.GPSAltitude", &value), 1);
    EXPECT_NEAR(value, -25.5, 1e-9);  // below sea level

    HandlePtr other = EmptyHandle();
    MetaHandle* h = other.get();
    using Case = std::tuple<const char*, const char*, double>;  // reference, degrees, expected
    for (const auto& [reference, degrees, expected] :
         {Case{"S", "33/1 52/1 4/1", -(33 + 52 / 60.0 + 4 / 3600.0)},
          Case{"E", "151/1 12/1 2600/100", 151 + 12 / 60.0 + 26 / 3600.0},
          Case{"", "12345/1000", 12.345}}) {  // no reference, decimal degrees alone
        EraseAll(h->exifData, "Exif.GPSInfo.GPSDestLatitudeRef");
        if (*reference) h->exifData["Exif.GPSInfo.GPSDestLatitudeRef"] = reference;
        Exiv2::URationalValue coordinate;
        coordinate.read(degrees);
        h->exifData["Exif.GPSInfo.GPSDestLatitude"] = coordinate;
        ASSERT_EQ(GetGpsDecimal(h, "Exif.GPSInfo.GPSDestLatitude", &value), 1) << degrees;
        EXPECT_NEAR(value, expected, 1e-9) << reference;
    }
    value = 7;
    Exiv2::URationalValue broken;
    broken.read("50/0 1/1 1/1");
    h->exifData["Exif.GPSInfo.GPSLatitude"] = broken;
    EXPECT_EQ(GetGpsDecimal(h, "Exif.GPSInfo.GPSLatitude", &value), 0);
    EXPECT_EQ(GetGpsDecimal(h, "Exif.GPSInfo.GPSLongitude", &value), 0);  // absent
    EXPECT_EQ(GetGpsDecimal(h, "Exif.Image.Orientation", &value), 0);
    EXPECT_EQ(GetGpsDecimal(nullptr, "Exif.GPSInfo.GPSLatitude", &value), 0);
    EXPECT_EQ(value, 7);
}

// Exiv2's messages name the file read on the thread, through the sink or
// on the standard error stream.
struct LogLine {
    int level;
    std::string path, message;
};

void CollectLog(int level, const char* path, const char* message, void* lines) {
    static_cast<std::vector<LogLine>*>(lines)->push_back({level, path, message});
}

TEST(SetExiv2LogSink, MessagesAboutAFileNameIt) {
    TempDir dir;
    // A JPEG whose Exif IFD claims more entries than its segment holds.
    std::vector<unsigned char> damaged = MinimalJpeg();
    const std::string path = dir.File("damaged.jpg");
    const unsigned char app1[] = {0xFF, 0xE1, 0x00, 0x1A, 'E', 'x', 'i', 'f', 0, 0, 'I', 'I', 42, 0,
                                  8, 0, 0, 0, 0x40, 0x00, 0x0F, 0x01, 0x02, 0x00, 0x50, 0x00,
                                  0x00, 0x00};
    damaged.insert(damaged.begin() + 2, std::begin(app1), std::end(app1));
    WriteBytes(path, damaged);
    std::vector<LogLine> lines;
    SetExiv2LogLevel(2);
    SetExiv2LogSink(CollectLog, &lines);
    CloseMetaHandle(OpenMetaHandle(path.c_str(), 0));
    SetExiv2LogSink(nullptr, nullptr);
    SetExiv2LogLevel(4);
    ASSERT_FALSE(lines.empty());
    for (const LogLine& line : lines) {
        EXPECT_EQ(line.path, path);
        EXPECT_GE(line.level, 2);
        EXPECT_FALSE(line.message.empty());
        EXPECT_NE(line.message.back(), '\n');
    }
}

}  // namespace
}  // namespace lumenmeta::test
