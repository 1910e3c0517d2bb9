// An image holding a value of every Exif type, with the text each value has
// in its stored and its readable form; the known answers of the value-form
// tests of the library and the tool.
#pragma once

#include "support/fixture_image.h"

#include <string>
#include <vector>

namespace lumenmeta::test {

struct FormsRow {
    std::string key;
    int type;              // Exiv2's type code
    std::string stored;    // the stored form
    std::string readable;  // the readable form
};

// Byte (GPSVersionID, GPSAltitudeRef), ascii with padding blanks, short of
// one and of three components, long, rational of one and three components,
// srational, undefined, the XP tags, a user comment in ASCII and in Unicode,
// GPS in degrees, minutes and seconds with the references N and W; IPTC with
// a repeated dataset; XMP text, a bag and a language alternative.
FixtureImage ValueFormsFixture();

// The answers for ValueFormsFixture, in the order Exiv2 reads the written
// image's Exif (IFD0, the Exif and GPS IFDs where IFD0 points to them).
const std::vector<FormsRow>& ValueFormsAnswers();

}  // namespace lumenmeta::test
