// Checking the property part of an XMP key before anything is stored under
// it. Exiv2 takes any text there, but the XMP toolkit cannot write a property
// whose name is not an XML name, and one such property makes the whole XMP
// packet fail to serialise at the next write: every XMP edit of that write
// would be lost.
#pragma once

#include <string_view>

namespace lumenmeta {

// Whether the property path of an XMP key, what follows "Xmp.<prefix>.", is
// one the toolkit can write: an XML name without a colon ("title",
// "Exif.Image.Artist"), then any of array indexes ("[2]", "[last()]") and
// selectors ("[?xml:lang=\"x-default\"]", "[stEvt:action=\"saved\"]"),
// struct fields ("/stEvt:action") and qualifiers ("/?xml:lang"), each name a
// qualified XML name; every array index from 1 to 2147483647 (the toolkit
// counts from 1, in 32 bits).
bool IsWritableXmpPropertyPath(std::string_view path);

// Whether `key`, a key of the XMP family, may be stored: its property path
// is writable (above), and a field step right after an array index
// ("Xmp.xmpMM.History[1]/stEvt:action") is in an array whose items are
// structs, where Exiv2 knows the array ("Xmp.dc.subject[1]/dc:x" is refused:
// subject holds text). A key that holds no property path is left to Exiv2
// to refuse. A key that may not be stored is traced as one line, the reason
// then the key: "Not an XML name in XMP key: ", "XMP array index not from 1
// to 2147483647 in key: " or "Field of an array item that is no struct in
// XMP key: ".
bool CheckXmpKey(const char* key);

}  // namespace lumenmeta
