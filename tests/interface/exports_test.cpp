// The dynamic symbol table of the shared library holds exactly the exports
// declared in the public header.
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

}  // namespace
