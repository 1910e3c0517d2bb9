// The IPTC rules of a write: text in one encoding throughout, declared by the
// envelope's UTF-8 marker when it is not plain ASCII, and datasets no longer
// than the IIM standard allows.
#pragma once

#include <exiv2/exiv2.hpp>

#include <string>

namespace lumenmeta {

// The most bytes the IIM standard allows in the dataset (Exiv2's table of
// datasets holds them); 0 when the table has no limit for it.
size_t IptcMaxBytes(uint16_t tag, uint16_t record);

// `text` cut to at most `maxBytes` bytes, never inside a UTF-8 sequence
// (text that is not UTF-8 is cut at any byte). 0 means no limit.
std::string CutIptcText(const std::string& text, size_t maxBytes);

// A copy of the IPTC data whose text datasets are all UTF-8: valid UTF-8
// stays, anything else is read as Windows-1252. Used for converting IPTC into
// XMP, so that no text is encoded twice.
Exiv2::IptcData Utf8IptcCopy(const Exiv2::IptcData& iptc);

// Brings the IPTC data into one encoding: when a text dataset holds bytes
// outside ASCII or the UTF-8 marker is there, the marker is set and every
// text dataset that is not valid UTF-8 is converted from Windows-1252. IPTC
// that is all ASCII and has no marker is left as it is.
void NormalizeIptcText(Exiv2::IptcData& iptc);

}  // namespace lumenmeta
