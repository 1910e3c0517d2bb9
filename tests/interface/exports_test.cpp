// The dynamic symbol table of the shared library holds exactly the exports
// declared in the public header; the version exports name the library file
// and the Exiv2 loaded.
#include "lumenmeta.h"

#include <exiv2/exiv2.hpp>
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <regex>
#include <set>
#include <iterator>
#include <string>

namespace {

TEST(Exports, SharedLibraryExportsExactlyTheHeadersFunctions) {
    std::ifstream header(LUMENMETA_HEADER_PATH);
    const std::string text{std::istreambuf_iterator<char>(header), {}};
    const std::regex declaration(R"(\nLUMENMETA_API [^;(]*[ *]([A-Za-z_][A-Za-z0-9_]*) *\()");
    std::set<std::string> declared, defined;
    for (std::sregex_iterator it(text.begin(), text.end(), declaration), end; it != end; ++it) {
        declared.insert((*it)[1]);
    }
    ASSERT_TRUE(declared.count("OpenMetaHandle") && declared.count("SysFreeString") &&
                declared.count("GetMetaDataFilePath"));

    FILE* nm = popen(("nm -D --defined-only '" LUMENMETA_LIBRARY_PATH "' 2>&1"), "r");
    ASSERT_NE(nm, nullptr);
    char line[512], name[512];
    while (fgets(line, sizeof(line), nm)) {
        if (sscanf(line, "%*s %*s %511s", name) == 1) defined.insert(name);  // address, kind, name
    }
    pclose(nm);
    EXPECT_EQ(defined, declared);
}

TEST(Exports, VersionsAreThoseOfTheLibraryFileAndTheLoadedExiv2) {
    // The built file is liblumenmeta.so.MAJOR.MINOR.PATCH.
    const std::string file = LUMENMETA_LIBRARY_PATH;
    const std::string version = GetLumenmetaVersion();
    EXPECT_TRUE(std::regex_match(version, std::regex(R"([0-9]+\.[0-9]+\.[0-9]+)"))) << version;
    EXPECT_EQ(file.substr(file.rfind('/') + 1), "liblumenmeta.so." + version);
    EXPECT_EQ(GetLumenmetaVersion(), GetLumenmetaVersion());  // one string, not a new one per call

    const int number = Exiv2::versionNumber();
    EXPECT_EQ(std::string(GetExiv2Version()), std::to_string(number >> 16) + "." +
                                                  std::to_string((number >> 8) & 0xff) + "." +
                                                  std::to_string(number & 0xff));
}

}  // namespace
