// Writing a fixture, editing it through a handle and writing the handle back
// in place, then reading what landed with Exiv2 directly.
#pragma once

#include "lumenmeta.h"

#include "support/fixture_image.h"
#include "support/temp_dir.h"

#include <functional>
#include <string>
#include <vector>

namespace lumenmeta::test {

// Every datum of `key` in the file, read with Exiv2, joined by '|'.
std::string OnDisk(const FileMetadata& file, const std::string& key);

// Writes the fixture to NAME in `dir`, opens it, lets `edit` work on the
// handle and writes the handle back in place, expecting `result`; returns
// the file's path.
std::string WriteInPlace(const TempDir& dir, const FixtureImage& fixture,
                         const std::function<void(MetaHandle*)>& edit = nullptr, int result = 1,
                         const std::string& name = "photo.jpg");

// AddMetaDataW, expecting it to store the value.
void Set(MetaHandle* handle, const char* key, const std::u16string& value);

// Checks each "key=text|text" row (no text: no datum) against the file.
void ExpectOnDisk(const FileMetadata& file, const std::vector<std::string>& rows);

// Each write's own mark, in a property no merge rule mirrors, shows which
// write a file holds: WriteMark opens the file, sets the mark and writes it
// back in place (the result of WriteData); MarkOf reads it back with Exiv2
// (empty when there is none; throws on a damaged file).
int WriteMark(const std::string& path, const std::string& mark);
std::string MarkOf(const std::string& path);

}  // namespace lumenmeta::test
