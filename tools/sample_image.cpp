#include "sample_image.h"

#include <cstdint>
#include <string>

namespace lumenmeta_tool {

namespace {

// A 16 x 8 grey baseline JPEG without metadata: tables, frame and scan.
const unsigned char kImageSegments[] = {
    0xFF, 0xDB, 0x00, 0x43, 0x00, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01,
    0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01,
    0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01,
    0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01,
    0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0xFF, 0xC0, 0x00, 0x0B, 0x08, 0x00,
    0x08, 0x00, 0x10, 0x01, 0x01, 0x11, 0x00, 0xFF, 0xC4, 0x00, 0x14, 0x00, 0x01, 0x00, 0x00,
    0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0xFF,
    0xC4, 0x00, 0x14, 0x10, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
    0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0xFF, 0xDA, 0x00, 0x08, 0x01, 0x01, 0x00, 0x00, 0x3F,
    0x00, 0x0F, 0xFF, 0xD9,
};

using Bytes = std::vector<unsigned char>;

void Append(Bytes& out, const std::string& text) { out.insert(out.end(), text.begin(), text.end()); }

void AppendLittle16(Bytes& out, uint16_t value) {
    out.push_back(value & 0xFF);
    out.push_back(value >> 8);
}

void AppendLittle32(Bytes& out, uint32_t value) {
    AppendLittle16(out, value & 0xFFFF);
    AppendLittle16(out, value >> 16);
}

void AppendSegment(Bytes& out, unsigned char marker, const Bytes& payload) {
    const size_t length = payload.size() + 2;
    out.insert(out.end(), {0xFF, marker, static_cast<unsigned char>(length >> 8),
                           static_cast<unsigned char>(length & 0xFF)});
    out.insert(out.end(), payload.begin(), payload.end());
}

struct AsciiTag {
    uint16_t tag;
    std::string text;
};

// Exif: a little-endian TIFF structure whose first directory holds a few
// text tags (ascending tag numbers) and the orientation.
Bytes ExifPayload() {
    const AsciiTag texts[] = {{0x010F, "Lumen Camera Works"},
                              {0x0110, "LX-1"},
                              {0x013B, "Demo Photographer"}};
    const uint16_t entries = 4;
    uint32_t dataOffset = 8 + 2 + entries * 12 + 4;
    Bytes directory, data;
    AppendLittle16(directory, entries);
    for (const AsciiTag& tag : texts) {
        AppendLittle16(directory, tag.tag);
        AppendLittle16(directory, 2);  // ASCII
        AppendLittle32(directory, static_cast<uint32_t>(tag.text.size() + 1));
        AppendLittle32(directory, dataOffset + static_cast<uint32_t>(data.size()));
        Append(data, tag.text);
        data.push_back(0);
        if (data.size() % 2) data.push_back(0);
        if (tag.tag == 0x0110) {  // Orientation (0x0112) comes after Model
            AppendLittle16(directory, 0x0112);
            AppendLittle16(directory, 3);  // SHORT
            AppendLittle32(directory, 1);
            AppendLittle32(directory, 1);  // top-left, left-aligned in the field
        }
    }
    AppendLittle32(directory, 0);  // no next directory
    Bytes payload;
    Append(payload, std::string("Exif\0\0", 6));
    Append(payload, "II");
    AppendLittle16(payload, 42);
    AppendLittle32(payload, 8);
    payload.insert(payload.end(), directory.begin(), directory.end());
    payload.insert(payload.end(), data.begin(), data.end());
    return payload;
}

void AppendIptcDataset(Bytes& out, unsigned char record, unsigned char dataset,
                       const std::string& text) {
    out.insert(out.end(), {0x1C, record, dataset, static_cast<unsigned char>(text.size() >> 8),
                           static_cast<unsigned char>(text.size() & 0xFF)});
    Append(out, text);
}

// IPTC travels in a Photoshop image resource block (8BIM, resource 0x0404).
Bytes IptcPayload() {
    Bytes iptc;
    AppendIptcDataset(iptc, 2, 120, "A quiet harbour at dawn");
    AppendIptcDataset(iptc, 2, 25, "harbour");
    AppendIptcDataset(iptc, 2, 25, "boats");
    AppendIptcDataset(iptc, 2, 90, "Lumenport");
    Bytes payload;
    Append(payload, std::string("Photoshop 3.0\0", 14));
    Append(payload, "8BIM");
    payload.insert(payload.end(), {0x04, 0x04, 0x00, 0x00});
    const uint32_t size = static_cast<uint32_t>(iptc.size());
    payload.insert(payload.end(), {static_cast<unsigned char>(size >> 24),
                                   static_cast<unsigned char>(size >> 16),
                                   static_cast<unsigned char>(size >> 8),
                                   static_cast<unsigned char>(size)});
    payload.insert(payload.end(), iptc.begin(), iptc.end());
    if (iptc.size() % 2) payload.push_back(0);
    return payload;
}

Bytes XmpPayload() {
    Bytes payload;
    Append(payload, std::string("http://ns.adobe.com/xap/1.0/\0", 29));
    Append(payload,
           "<?xpacket begin=\"\xEF\xBB\xBF\" id=\"W5M0MpCehiHzreSzNTczkc9d\"?>"
           "<x:xmpmeta xmlns:x=\"adobe:ns:meta/\"><rdf:RDF "
           "xmlns:rdf=\"http://www.w3.org/1999/02/22-rdf-syntax-ns#\">"
           "<rdf:Description rdf:about=\"\" xmlns:dc=\"http://purl.org/dc/elements/1.1/\" "
           "xmlns:Lumenframe=\"http://ns.lumenframe.com/Lumenframe/1.0/\" "
           "Lumenframe:VarU_Client=\"Harbour Board\">"
           "<dc:title><rdf:Alt><rdf:li xml:lang=\"x-default\">Harbour at dawn</rdf:li>"
           "<rdf:li xml:lang=\"de-DE\">Hafen im Morgengrauen</rdf:li></rdf:Alt></dc:title>"
           "<dc:subject><rdf:Bag><rdf:li>harbour</rdf:li><rdf:li>dawn</rdf:li></rdf:Bag>"
           "</dc:subject></rdf:Description></rdf:RDF></x:xmpmeta>"
           "<?xpacket end=\"w\"?>");
    return payload;
}

}  // namespace

std::vector<unsigned char> SampleJpeg() {
    Bytes jpeg = {0xFF, 0xD8};
    AppendSegment(jpeg, 0xE1, ExifPayload());
    AppendSegment(jpeg, 0xE1, XmpPayload());
    AppendSegment(jpeg, 0xED, IptcPayload());
    jpeg.insert(jpeg.end(), std::begin(kImageSegments), std::end(kImageSegments));
    return jpeg;
}

}  // namespace lumenmeta_tool
