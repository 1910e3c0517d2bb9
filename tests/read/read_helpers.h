// Helpers shared by the reading tests: a handle that closes itself, fixture
// files opened as handles, and GetMetaDataW with the BSTR taken care of.
#pragma once

#include "lumenmeta.h"

#include "support/fixture_image.h"
#include "support/temp_dir.h"

#include <memory>
#include <string>

namespace lumenmeta::test {

struct HandleCloser {
    void operator()(MetaHandle* handle) const { CloseMetaHandle(handle); }
};
using Handle = std::unique_ptr<MetaHandle, HandleCloser>;

// Writes the fixture into `dir` and opens it from its path.
inline Handle OpenFixture(const FixtureImage& fixture, const TempDir& dir,
                          const std::string& name = "fixture.jpg") {
    const std::string path = fixture.WriteTo(dir.File(name));
    return Handle(OpenMetaHandle(path.c_str(), 0));
}

// What GetMetaDataW delivered: its result and the BSTR's text (empty when
// none was stored).
struct WideRead {
    int type = 0;
    std::u16string text;
    bool stored = false;
};

inline WideRead ReadW(MetaHandle* handle, const char* key, int index = 0,
                      bool asDecimal = false) {
    BSTR value = nullptr;
    WideRead read;
    read.type = GetMetaDataW(handle, key, &value, index, asDecimal);
    if (value) {
        read.stored = true;
        read.text.assign(value, SysStringLen(value));
        SysFreeString(value);
    }
    return read;
}

// Appends, as an edit after open does, a headline and then a keyword, so
// that the new keyword is separated from those before it.
inline void AppendSeparatedKeyword(MetaHandle& handle, const char* keyword) {
    Exiv2::StringValue headline("edited");
    handle.iptcData.add(Exiv2::IptcKey("Iptc.Application2.Headline"), &headline);
    Exiv2::StringValue value(keyword);
    handle.iptcData.add(Exiv2::IptcKey("Iptc.Application2.Keywords"), &value);
}

}  // namespace lumenmeta::test
