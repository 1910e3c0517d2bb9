// `show --csv` and `set --csv`: a sheet with one row per file and a column
// per key, written out and read back in.
#pragma once

#include "lumenmeta.h"
#include "options.h"

#include <string>
#include <vector>

namespace lumenmeta_tool {

// `show --csv FILE... [KEY...]`: a header row ("File", then the keys), then
// one row per file: its path as named and each key's values as stored,
// joined by "; " as `get --all -n` joins them (an empty cell where the file
// lacks the key). With no KEY, the keys of every file together (but for
// the tags that only hold offsets into the file), limited to `families`.
// A file that cannot be read is reported on stderr and has no row. Result:
// the exit code, 0 when every file was read, 1 otherwise.
int ShowCsv(const Arguments& arguments, const std::vector<const char*>& families);

// `set --csv SHEET`: applies a sheet of that shape. Its "File" (or
// "SourceFile") column names the files, relative to the sheet's folder
// unless absolute; every other column is a key. A cell that is empty, or
// that holds what the file holds already, leaves the key as it is; any
// other cell gives the key that value, cut at "; " into items, as `set`
// does (read back and checked alike). A file with nothing to change is not
// written. --dry-run and --json work as on `set`.
int SetCsv(const Arguments& arguments);

// What the sheets' key columns hold: whether a column header is a key, and
// a file's cell for it. Every column goes through these two.
bool IsColumnKey(const std::string& header);
bool ReadColumn(MetaHandle* handle, const std::string& key, std::string& cell);

}  // namespace lumenmeta_tool
