// The UTF-8 marker of the IPTC envelope after a write with an IPTC edit: IPTC
// that stays ASCII gets none, text outside ASCII brings it, and the
// Windows-1252 datasets already in the file are converted with it.
#include "lumenmeta.h"

#include "support/fixture_image.h"
#include "support/handles.h"
#include "support/temp_dir.h"
#include "support/write_in_place.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

namespace lumenmeta {
namespace {

using namespace test;

constexpr char kMarkerKey[] = "Iptc.Envelope.CharacterSet";

TEST(IptcText, TheMarkerComesWithTextOutsideAsciiAndOnlyThen) {
    struct Case {
        const char* name;
        Texts iptc;  // the file's IPTC
        std::function<void(MetaHandle*)> edit;
        Texts expected;  // the file's IPTC after the write, the marker first where there is one
    };
    const auto wide = [](const char* key, const std::u16string& text) {
        return [key, text](MetaHandle* h) { EXPECT_EQ(AddMetaDataW(h, key, MakeBstr(text).get()), 1) << key; };
    };
    // Datasets without a twin in another family, so that no conversion is
    // involved: only the text of the IPTC decides.
    const Texts ascii = {"Iptc.Application2.EditStatus=draft", "Iptc.Application2.Program=Lumen"};
    const Case cases[] = {
        {"ASCII edit", ascii, wide("Iptc.Application2.EditStatus", u"final"),
         {"Iptc.Application2.EditStatus=final", "Iptc.Application2.Program=Lumen"}},
        {"ASCII dataset added", ascii, wide("Iptc.Application2.ProgramVersion", u"2.1"),
         {"Iptc.Application2.EditStatus=draft", "Iptc.Application2.Program=Lumen",
          "Iptc.Application2.ProgramVersion=2.1"}},
        {"ASCII typed edit", ascii,
         [](MetaHandle* h) { EXPECT_EQ(ModifyMetaDataValueAsString(h, "Iptc.Application2.EditStatus", "final", 0), 0); },
         {"Iptc.Application2.EditStatus=final", "Iptc.Application2.Program=Lumen"}},
        {"non-ASCII edit", ascii, wide("Iptc.Application2.EditStatus", u"pr\u00fcfen"),
         {"Iptc.Envelope.CharacterSet=\x1b%G", "Iptc.Application2.EditStatus=pr\xC3\xBC" "fen",
          "Iptc.Application2.Program=Lumen"}},
        // Windows-1252 bytes in the file: converted once, together with the marker.
        {"non-ASCII edit beside Windows-1252",
         {"Iptc.Application2.EditStatus=draft", "Iptc.Application2.Program=Caf\xE9"},
         wide("Iptc.Application2.EditStatus", u"\u0141\u00f3d\u017a"),  // not in Windows-1252
         {"Iptc.Envelope.CharacterSet=\x1b%G", "Iptc.Application2.EditStatus=\xC5\x81\xC3\xB3" "d\xC5\xBA",
          "Iptc.Application2.Program=Caf\xC3\xA9"}},
        // A twin made from a non-ASCII XMP edit.
        {"non-ASCII edit of XMP", ascii, wide("Xmp.photoshop.City", u"Z\u00fcrich"),
         {"Iptc.Envelope.CharacterSet=\x1b%G", "Iptc.Application2.City=Z\xC3\xBCrich",
          "Iptc.Application2.EditStatus=draft", "Iptc.Application2.Program=Lumen"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        FixtureImage fixture;
        Fill(fixture.iptc, c.iptc);
        const FileMetadata file = ReadBack(WriteInPlace(dir, fixture, c.edit));
        Texts entries = Entries(file.iptc), expected = c.expected;
        std::sort(entries.begin(), entries.end());
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(entries, expected);
        if (c.expected.front().rfind(kMarkerKey, 0) != 0) {
            EXPECT_EQ(Find(file.iptc, kMarkerKey), nullptr);
        }
    }
}

}  // namespace
}  // namespace lumenmeta
