// How every writing command writes a file: edit a handle, write it (or, for a
// dry run, the same write in memory), read the result back, and report what
// changed and any key that did not read back as asked. With --sidecar the
// edits go into the image's XMP sidecar instead, and the image is not
// touched.
#pragma once

#include "batch.h"
#include "changes.h"
#include "image_file.h"
#include "lumenmeta.h"
#include "read_back.h"
#include "sidecar.h"

#include <functional>
#include <string>
#include <vector>

namespace lumenmeta_tool {

struct WriteJob {
    std::vector<std::string> keys;                  // the keys set or cleared
    // Where set, the keys set or cleared in one file instead, found in its
    // handle before the edit (keys named by pattern).
    std::function<std::vector<std::string>(MetaHandle*)> keysIn;
    std::function<std::string(MetaHandle*)> edit;   // "" done, else the reason
    // For a write into a sidecar, run on the sidecar's handle before the
    // edit, with the image's handle: brings in from the image what the edit
    // builds on (the values --add appends to, where the sidecar has none).
    std::function<void(MetaHandle* sidecar, MetaHandle* image)> seed;
    std::string target;                             // "": the file itself
    int xmpMode = 0;
    bool keepTargetUnread = false;
    bool dryRun = false;
    bool json = false;
    SidecarOptions sidecar;
};

// The write in memory that a dry run does: `handle` written into a copy of
// `bytes` (the target file's), the result kept in `image` and opened. `image`
// stays empty when the write fails; the handle is null when the written
// image cannot be read.
Handle WriteInMemory(MetaHandle* handle, const std::string& bytes, int xmpMode,
                     std::vector<unsigned char>& image);

// Opens `path`, applies the edit and writes into the file itself or into the
// job's target; nothing is written when the edit fails. A dry run writes
// into a copy of the target's bytes in memory and leaves every file as it
// was. The file (or the image in memory) is then read once more and checked
// key by key: the outcome fails when a key does not read back as asked.
// A file whose format cannot be written fails with the library's reason and
// "; use --sidecar". With --sidecar (with --sidecar=auto: for such a file
// only) the edit is made on the image's sidecar (a new one where there is
// none; nothing is created when the edit fails), which is written and
// checked instead; a key cleared there that the image's own XMP holds fails
// the file, as a sidecar cannot hide it.
FileOutcome EditAndWrite(const std::string& path, const WriteJob& job);

// Where a write went, for its report.
struct Destination {
    std::string file;          // the file named (with --to, the source)
    std::string written;       // the file written: `file`, --to's target or a sidecar
    bool sidecarMode = false;  // --sidecar given: the report says where it went
    std::string why;           // why not in place (--sidecar=auto), or ""
    bool IntoSidecar() const { return sidecarMode && written != file; }
};

// The outcome of a write: with `json`, one JSON object
// {"file",["sidecar",]"dry_run","added","changed","removed","not_kept"}
// ("file" the file written, but the image in sidecar mode) and a line end;
// for a dry run as text, the file (and sidecar) and one line per change; in
// sidecar mode "FILE -> SIDECAR" or "FILE (in place)"; otherwise no output.
// Each key not kept is a line of the failure's reason, starting with
// "in WRITTEN, " where another file than the one named was written.
FileOutcome Report(const Destination& where, const std::vector<Change>& changes,
                   const std::vector<NotKept>& faults, bool dryRun, bool json);

}  // namespace lumenmeta_tool
