// Shared by the tool's tests: skipping when the tool is not built, and fixture
// files made for it.
#pragma once

#include "support/fixture_image.h"
#include "support/run_tool.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <string>

#define REQUIRE_TOOL()                                                   \
    do {                                                                 \
        if (*lumenmeta::test::ToolPath() == '\0') GTEST_SKIP() << "tool not built"; \
    } while (0)

namespace lumenmeta::test {

// The sample fixture with a non-ASCII XMP description, written to `path`.
inline std::string WriteToolSample(const std::string& path) {
    FixtureImage fixture = SampleFixture();
    fixture.xmp["Xmp.dc.description"] = "lang=x-default Zoë ✓ – 東京";
    return fixture.WriteTo(path);
}

}  // namespace lumenmeta::test
