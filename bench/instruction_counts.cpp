// The driver for the instruction counts, run under Valgrind's callgrind:
//
//   lumenmeta_instructions prepare DIR   writes the corpus into DIR (and
//                                         kWalkFiles JPEGs into DIR/walk)
//   lumenmeta_instructions walk exiv2 DIR
//                                         walks every entry of every file of
//                                         DIR/walk with Exiv2 alone, the
//                                         baseline of `lumenmeta show --json`
//   lumenmeta_instructions WORK SIDE DIR [CASE]
//                                         does WORK on every corpus file, or
//                                         on the one case named CASE (for a
//                                         profile of one kind of file)
//
// WORK is read, write_in_place, rewrite_in_place (a file the library wrote
// before: its XMP holds the Exif twins and digests) or write_to_file; SIDE is
// ours (through the
// exports) or exiv2 (Exiv2's API directly, bench/exiv2_direct.h), each
// measured as the benchmark rows of the same name measure it. The work is done
// once on the first file to warm up (Exiv2's and the library's set-up run
// once per process), then on every file inside MeasuredWork, the one function
// callgrind counts in (--toggle-collect=*MeasuredWork*).
#include "corpus.h"
#include "exiv2_direct.h"
#include "export_work.h"

#include "lumenmeta.h"
#include "support/temp_dir.h"

#include <exiv2/exiv2.hpp>

#include <cstdio>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace lumenmeta::bench {

// The corpus: for each case a source file, a target with metadata of its own
// and the source once written by the library, "NAME-source.EXT",
// "NAME-target.EXT" and "NAME-written.EXT".
struct Case {
    const char* name;
    const char* extension;
    std::function<std::vector<unsigned char>(int variant)> make;
};
const std::vector<Case>& Cases() {
    static const std::vector<Case> cases = {
        {"100KB-a", ".jpg", [](int v) { return RealisticJpeg(100 * 1024, v); }},
        {"100KB-b", ".jpg", [](int v) { return RealisticJpeg(100 * 1024, v + 2); }},
        {"1MB", ".jpg", [](int v) { return RealisticJpeg(1024 * 1024, v); }},
        {"100xmp", ".png", [](int v) { return ManyXmpPropertiesPng(100, v); }},
    };
    return cases;
}

std::string CasePath(const std::string& dir, const Case& c, const char* role) {
    return dir + "/" + c.name + "-" + role + c.extension;
}

// The work on one file, ready to run: what is not counted (the copy a write
// goes to, our write's open handle) is done when it is made.
using Step = std::function<size_t()>;

// The copy a write works on: of the source for a write in place, of the
// written source for a rewrite, of the target otherwise.
std::string FreshCopy(const std::string& dir, const Case& c, const std::string& work,
                      const char* role) {
    const std::string copy = CasePath(dir, c, role);
    const char* original = work == "write_in_place"     ? "source"
                           : work == "rewrite_in_place" ? "written"
                                                        : "target";
    std::filesystem::copy_file(CasePath(dir, c, original), copy,
                               std::filesystem::copy_options::overwrite_existing);
    return copy;
}

// As the benchmarks do it: a read opens, reads and closes; our write sets the
// values on a handle opened beforehand and writes, the direct write reads,
// converts and writes the file in one go. Null for an unknown WORK or SIDE.
Step MakeStep(const std::string& work, const std::string& side, const std::string& dir,
              const Case& c, const char* role) {
    const std::string source = CasePath(dir, c, "source");
    if (side != "ours" && side != "exiv2") return nullptr;
    const bool ours = side == "ours";
    if (work == "read") {
        return [ours, source] { return ours ? ExportRead(source) : DirectRead(source); };
    }
    if (work != "write_in_place" && work != "rewrite_in_place" && work != "write_to_file") return nullptr;
    const std::string target = FreshCopy(dir, c, work, role);
    const bool inPlace = work != "write_to_file";
    if (ours) {
        const std::shared_ptr<MetaHandle> handle(
            OpenMetaHandle((inPlace ? target : source).c_str(), 0), CloseMetaHandle);
        const auto setter = std::make_shared<ValueSetter>();
        return [handle, setter, inPlace, target]() -> size_t {
            return setter->SetAndWrite(handle.get(), inPlace ? nullptr : target.c_str()) ? 1 : 0;
        };
    }
    return [inPlace, source, target]() -> size_t {
        inPlace ? DirectWriteInPlace(target) : DirectWriteToTarget(source, target);
        return 1;
    };
}

// The files `show --json -r` lists against Exiv2 walking all their entries.
constexpr int kWalkFiles = 40;

std::vector<std::string> WalkFiles(const std::string& dir) {
    std::vector<std::string> files;
    for (int i = 0; i < kWalkFiles; ++i) files.push_back(dir + "/walk/" + std::to_string(i) + ".jpg");
    return files;
}

__attribute__((noinline)) size_t MeasuredWork(const std::vector<Step>& steps) {
    size_t total = 0;
    for (const Step& step : steps) total += step();
    return total;
}

}  // namespace lumenmeta::bench

int main(int argc, char** argv) {
    using namespace lumenmeta::bench;
    SetExiv2LogLevel(4);
    Exiv2::LogMsg::setLevel(Exiv2::LogMsg::mute);
    if (argc == 3 && std::string(argv[1]) == "prepare") {
        for (const Case& c : Cases()) {
            lumenmeta::test::WriteBytes(CasePath(argv[2], c, "source"), c.make(1));
            lumenmeta::test::WriteBytes(CasePath(argv[2], c, "target"), c.make(2));
            const std::string written = CasePath(argv[2], c, "written");
            lumenmeta::test::WriteBytes(written, c.make(1));
            const std::shared_ptr<MetaHandle> handle(OpenMetaHandle(written.c_str(), 0), CloseMetaHandle);
            if (!ValueSetter().SetAndWrite(handle.get(), nullptr)) return 1;
        }
        std::filesystem::create_directories(std::string(argv[2]) + "/walk");
        int variant = 1;
        for (const std::string& file : WalkFiles(argv[2])) {
            lumenmeta::test::WriteBytes(file, RealisticJpeg(100 * 1024, variant++));
        }
        return 0;
    }
    if (argc == 4 && std::string(argv[1]) == "walk" && std::string(argv[2]) == "exiv2") {
        const std::vector<std::string> files = WalkFiles(argv[3]);
        DirectWalk(files.front());  // warm-up
        std::vector<Step> steps;
        for (const std::string& file : files) steps.push_back([file] { return DirectWalk(file); });
        return MeasuredWork(steps) > 0 ? 0 : 1;
    }
    const Step warmUp =
        argc == 4 || argc == 5 ? MakeStep(argv[1], argv[2], argv[3], Cases().front(), "warm-up") : nullptr;
    if (!warmUp) {
        std::fprintf(stderr, "usage: %s prepare DIR | %s read|write_in_place|"
                             "rewrite_in_place|write_to_file ours|exiv2 DIR [CASE]\n", argv[0], argv[0]);
        return 2;
    }
    warmUp();
    std::vector<Step> steps;
    for (const Case& c : Cases()) {
        if (argc == 5 && argv[4] != std::string(c.name)) continue;
        steps.push_back(MakeStep(argv[1], argv[2], argv[3], c, "work"));
    }
    // Every write must have succeeded, every read found its texts.
    return MeasuredWork(steps) >= steps.size() ? 0 : 1;
}
