// Helpers shared by the reading tests.
#pragma once

#include "lumenmeta.h"

#include "support/handle_ptr.h"
#include "support/reading_fixtures.h"
#include "support/temp_dir.h"

namespace lumenmeta::test {

// Opens the fixture from a file, as a host does; the file goes afterwards.
inline HandlePtr OpenFixture(const FixtureImage& fixture) {
    TempDir dir;
    return HandlePtr(OpenMetaHandle(fixture.WriteTo(dir.File("fixture.jpg")).c_str(), 0));
}

}  // namespace lumenmeta::test
