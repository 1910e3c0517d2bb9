// The dynamic symbol table of the shared library holds exactly the exports
// declared in the public header.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <regex>
#include <set>
#include <sstream>
#include <string>

namespace {

std::set<std::string> DeclaredExports() {
    std::ifstream header(LUMENMETA_HEADER_PATH);
    std::stringstream text;
    text << header.rdbuf();
    const std::string content = text.str();
    const std::regex declaration(R"(\nLUMENMETA_API [^;(]*[ *]([A-Za-z_][A-Za-z0-9_]*) *\()");
    std::set<std::string> names;
    for (std::sregex_iterator it(content.begin(), content.end(), declaration), end; it != end;
         ++it) {
        names.insert((*it)[1]);
    }
    return names;
}

std::set<std::string> DefinedDynamicSymbols() {
    const std::string command =
        std::string("nm -D --defined-only '") + LUMENMETA_LIBRARY_PATH + "' 2>&1";
    std::set<std::string> names;
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return names;
    char line[512];
    while (fgets(line, sizeof(line), pipe)) {
        std::istringstream fields(line);
        std::string address, kind, name;
        if (fields >> address >> kind >> name) names.insert(name);
    }
    pclose(pipe);
    return names;
}

TEST(Exports, SharedLibraryExportsExactlyTheHeadersFunctions) {
    const std::set<std::string> declared = DeclaredExports();
    ASSERT_TRUE(declared.count("OpenMetaHandle"));
    ASSERT_TRUE(declared.count("SysFreeString"));
    ASSERT_TRUE(declared.count("GetMetaDataFilePath"));
    EXPECT_EQ(DefinedDynamicSymbols(), declared);
}

}  // namespace
