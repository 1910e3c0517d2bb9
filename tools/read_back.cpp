#include "read_back.h"

#include "json.h"
#include "values.h"

#include <algorithm>
#include <iterator>

namespace lumenmeta_tool {

namespace {

// Keys the library converts into each other, one set of twins per line,
// XMP last.
const std::vector<std::vector<const char*>> kTwins = {
    {"Exif.Image.Artist", "Iptc.Application2.Byline", "Xmp.dc.creator"},
    {"Exif.Image.ImageDescription", "Iptc.Application2.Caption", "Xmp.dc.description"},
    {"Exif.Image.Copyright", "Iptc.Application2.Copyright", "Xmp.dc.rights"},
    {"Exif.Photo.UserComment", "Xmp.exif.UserComment"},
    {"Exif.Image.DateTime", "Xmp.xmp.ModifyDate"},
    {"Exif.Photo.DateTimeOriginal", "Iptc.Application2.DateCreated", "Xmp.photoshop.DateCreated"},
    {"Exif.Photo.DateTimeDigitized", "Iptc.Application2.DigitizationDate", "Xmp.xmp.CreateDate"},
    {"Exif.Image.Software", "Xmp.xmp.CreatorTool"},
    {"Iptc.Application2.ObjectName", "Xmp.dc.title"},
    {"Iptc.Application2.Keywords", "Xmp.dc.subject"},
    {"Iptc.Application2.Headline", "Xmp.photoshop.Headline"},
    {"Iptc.Application2.City", "Xmp.photoshop.City"},
    {"Iptc.Application2.SubLocation", "Xmp.iptc.Location"},
    {"Iptc.Application2.ProvinceState", "Xmp.photoshop.State"},
    {"Iptc.Application2.CountryName", "Xmp.photoshop.Country"},
    {"Iptc.Application2.CountryCode", "Xmp.iptc.CountryCode"},
    {"Iptc.Application2.Credit", "Xmp.photoshop.Credit"},
    {"Iptc.Application2.Source", "Xmp.photoshop.Source"},
    {"Iptc.Application2.Writer", "Xmp.photoshop.CaptionWriter"},
    {"Iptc.Application2.SpecialInstructions", "Xmp.photoshop.Instructions"},
    {"Iptc.Application2.TransmissionReference", "Xmp.photoshop.TransmissionReference"},
    {"Iptc.Application2.BylineTitle", "Xmp.photoshop.AuthorsPosition"},
    {"Iptc.Application2.Category", "Xmp.photoshop.Category"},
    {"Iptc.Application2.SuppCategory", "Xmp.photoshop.SupplementalCategories"},
    {"Iptc.Application2.Urgency", "Xmp.photoshop.Urgency"},
};

// The twins of `key`: from the table, and by the rule Exiv2 converts the
// other Exif tags by (Exif.Image.X to Xmp.tiff.X, Exif.Photo.X and
// Exif.GPSInfo.X to Xmp.exif.X, and back).
std::vector<std::string> TwinsOf(const std::string& key) {
    for (const auto& twins : kTwins) {
        if (std::find(twins.begin(), twins.end(), key) == twins.end()) continue;
        // The XMP twin first: where the families disagree, XMP wins.
        std::vector<std::string> others;
        for (auto it = twins.rbegin(); it != twins.rend(); ++it) {
            if (key != *it) others.emplace_back(*it);
        }
        return others;
    }
    const size_t last = key.rfind('.');
    const std::string group = key.substr(0, last + 1), name = key.substr(last + 1);
    if (group == "Exif.Image.") return {"Xmp.tiff." + name};
    if (group == "Exif.Photo.") return {"Xmp.exif." + name};
    if (group == "Exif.GPSInfo.") return {"Xmp.exif." + name};
    if (group == "Xmp.tiff.") return {"Exif.Image." + name};
    if (group == "Xmp.exif.") return {"Exif.Photo." + name, "Exif.GPSInfo." + name};
    return {};
}

}  // namespace

bool NotRecordedInJpeg(const std::string& key) {
    static const char* const kTags[] = {
        "Exif.Image.PhotometricInterpretation", "Exif.Image.StripOffsets",
        "Exif.Image.RowsPerStrip",               "Exif.Image.StripByteCounts",
        "Exif.Image.JPEGInterchangeFormat",      "Exif.Image.JPEGInterchangeFormatLength",
        "Exif.Image.SubIFDs",
    };
    for (const char* tag : kTags) {
        if (key == tag) return true;
    }
    return false;
}

namespace {

std::string Joined(const std::vector<std::string>& items) {
    std::string text;
    for (const std::string& item : items) text += (text.empty() ? "" : "; ") + item;
    return text;
}

// Lists that a write joins with the items the file holds in the twin family:
// keywords, supplemental categories, creators.
bool IsJoinedList(const std::string& key) {
    static const char* const kLists[] = {
        "Iptc.Application2.Keywords", "Xmp.dc.subject", "Iptc.Application2.SuppCategory",
        "Xmp.photoshop.SupplementalCategories", "Iptc.Application2.Byline", "Xmp.dc.creator",
    };
    return std::find(std::begin(kLists), std::end(kLists), key) != std::end(kLists);
}

// True when `items` stand in `reads` in their order, with other items
// between them allowed.
bool HoldsInOrder(const std::vector<std::string>& reads, const std::vector<std::string>& items) {
    auto at = reads.begin();
    for (const std::string& item : items) {
        at = std::find(at, reads.end(), item);
        if (at == reads.end()) return false;
        ++at;
    }
    return true;
}

std::string Quoted(const std::vector<std::string>& items) { return "\"" + Joined(items) + "\""; }

std::string WhyNotKept(MetaHandle* written, const Asked& asked, const std::string& key,
                       const std::vector<std::string>& reads) {
    const std::vector<std::string> twins = TwinsOf(key);
    for (const std::string& twin : twins) {
        const auto also = asked.find(twin);
        if (also == asked.end() || also->second == asked.at(key)) continue;
        return twin + " was given " + (also->second.empty() ? "no value" : Quoted(also->second)) +
               " in the same command" +
               (twin.rfind("Xmp.", 0) == 0 ? ", and the XMP value wins" : "");
    }
    if (key.rfind("Xmp.", 0) == 0) {
        for (const std::string& item : asked.at(key)) {
            for (const unsigned char c : item) {
                if (c < 0x20 && c != '\t' && c != '\n' && c != '\r') {
                    return "XMP text cannot hold control characters";
                }
            }
        }
    }
    if (reads.empty()) {
        return NotRecordedInJpeg(key)
                   ? "Exif does not record it in a compressed image such as a JPEG"
                   : "";
    }
    for (const std::string& twin : twins) {
        const std::vector<std::string> held = ItemsOf(written, twin);
        if (!held.empty() && Joined(held) == Joined(reads)) {
            return "its twin " + twin + " holds " + Quoted(held) +
                   (asked.at(key).empty() ? " and brings it back" : " and overrides it");
        }
    }
    return "";
}

}  // namespace

std::vector<std::string> ItemsOf(MetaHandle* handle, const std::string& key) {
    std::vector<std::string> items;
    const bool exif = FamilyName(key.substr(0, key.find('.'))) == "Exif";
    for (int index = 0; index < 65536; ++index) {
        ValueText value = ReadValue(handle, key, index, false);
        if (value.type == 0) break;
        items.push_back(std::move(value.text));
        if (exif) break;
    }
    return items;
}

Asked AskedOf(MetaHandle* edited, const std::vector<std::string>& keys) {
    Asked asked;
    for (const std::string& key : keys) asked[key] = ItemsOf(edited, key);
    return asked;
}

std::vector<NotKept> CheckKept(MetaHandle* written, const Asked& asked) {
    std::vector<NotKept> faults;
    for (const auto& [key, items] : asked) {
        std::vector<std::string> reads = ItemsOf(written, key);
        if (reads == items || (IsJoinedList(key) && HoldsInOrder(reads, items))) continue;
        const std::string why = WhyNotKept(written, asked, key, reads);
        faults.push_back({key, items, std::move(reads), why});
    }
    return faults;
}

std::string NotKeptLine(const NotKept& fault, bool dryRun) {
    std::string line = fault.key;
    if (fault.asked.empty()) {
        line += std::string(dryRun ? " would still read " : " still reads ") +
                Quoted(fault.reads) + " after the write";
    } else {
        line += std::string(dryRun ? " would read " : " reads ") +
                (fault.reads.empty() ? std::string("nothing") : Quoted(fault.reads)) +
                " after the write, not " + Quoted(fault.asked);
    }
    return line + (fault.why.empty() ? "" : " (" + fault.why + ")");
}

std::string NotKeptJson(const std::vector<NotKept>& faults) {
    std::string list;
    for (const NotKept& fault : faults) {
        list += std::string(list.empty() ? "" : ",") + "{\"key\":" + JsonString(fault.key) +
                ",\"asked\":" + JsonString(Joined(fault.asked)) +
                ",\"reads\":" + JsonString(Joined(fault.reads)) +
                ",\"why\":" + JsonString(fault.why) + "}";
    }
    return "\"not_kept\":[" + list + "]";
}

}  // namespace lumenmeta_tool
