// Helpers shared by the reading tests.
#pragma once

#include "lumenmeta.h"

#include "support/fixture_image.h"
#include "support/handle_ptr.h"
#include "support/temp_dir.h"

#include <memory>
#include <string>

namespace lumenmeta::test {

using Handle = test::HandlePtr;

// Writes the fixture into `dir` and opens it from its path.
inline Handle OpenFixture(const FixtureImage& fixture, const TempDir& dir,
                          const std::string& name = "fixture.jpg") {
    return Handle(OpenMetaHandle(fixture.WriteTo(dir.File(name)).c_str(), 0));
}

// GetMetaDataW's result and the text of the BSTR it stored, if any.
struct WideRead {
    int type = 0;
    std::u16string text;
    bool stored = false;
};

inline WideRead ReadW(MetaHandle* handle, const char* key, int index = 0, bool decimal = false) {
    BSTR value = nullptr;
    WideRead read;
    read.type = GetMetaDataW(handle, key, &value, index, decimal);
    if (value) read = {read.type, std::u16string(value, SysStringLen(value)), true};
    SysFreeString(value);
    return read;
}

// Appends, as an edit after open does, a headline and then a keyword, which
// stands apart from the keywords before it.
inline void AppendSeparatedKeyword(MetaHandle& handle, const char* keyword) {
    Exiv2::StringValue headline("edited"), value(keyword);
    handle.iptcData.add(Exiv2::IptcKey("Iptc.Application2.Headline"), &headline);
    handle.iptcData.add(Exiv2::IptcKey("Iptc.Application2.Keywords"), &value);
}

}  // namespace lumenmeta::test
