// Each benchmark times one piece of work twice in the same run: through the
// library's exports ("ours") and with Exiv2's API directly ("exiv2"). After
// the runs a table pairs the medians, and the peak memory of the writes is
// measured on the largest file.
#include "corpus.h"
#include "exiv2_direct.h"
#include "export_work.h"
#include "peak_memory.h"

#include "lumenmeta.h"
#include "support/temp_dir.h"

#include <benchmark/benchmark.h>
#include <exiv2/exiv2.hpp>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace lumenmeta::bench {

namespace {

struct SizeCase {
    const char* name;
    size_t bytes;
};
constexpr SizeCase kSizes[] = {{"100KB", 100 * 1024}, {"1MB", 1024 * 1024}, {"8MB", 8 * 1024 * 1024}};
constexpr int kPropertyCounts[] = {100, 1000, 10000};
constexpr int kKeywordCount = 1000;
constexpr int kBatchFiles = 50;
constexpr int kExifToolFiles = 200;
constexpr int kXmpHeavyFiles = 60;
constexpr int kXmpHeavyProperties = 1000;

// The corpus on disk for the whole run: for each case a source file, and
// separate targets for our writes and for Exiv2's.
class Corpus {
public:
    void Add(const std::string& name, const std::vector<unsigned char>& source,
             const std::vector<unsigned char>& target, const char* extension = ".jpg") {
        extensions_[name] = extension;
        test::WriteBytes(Path(name, "source"), source);
        for (const char* side : {"ours", "exiv2"}) {
            test::WriteBytes(Path(name, side), target);
            test::WriteBytes(Path(name, std::string(side) + "-inplace"), source);
        }
        targets_[name] = target;
    }
    // A folder for each side holding `count` copies of `bytes`.
    void AddBatch(const std::string& name, const std::vector<unsigned char>& bytes, int count,
                  const std::vector<std::string>& sides, const char* extension = ".jpg") {
        for (const std::string& side : sides) {
            std::filesystem::create_directory(BatchFolder(name, side));
            for (int i = 0; i < count; ++i) {
                test::WriteBytes(BatchFolder(name, side) + "/" + std::to_string(i) + extension,
                                 bytes);
            }
        }
    }
    std::string BatchFolder(const std::string& name, const std::string& side) const {
        return dir_.File(name + "-" + side);
    }
    std::string BatchFile(const std::string& name, const std::string& side, int index) const {
        return BatchFolder(name, side) + "/" + std::to_string(index) + ".jpg";
    }
    std::string Path(const std::string& name, const std::string& role) const {
        return dir_.File(name + "-" + role + extensions_.at(name));
    }
    const std::vector<unsigned char>& TargetBytes(const std::string& name) const {
        return targets_.at(name);
    }

private:
    test::TempDir dir_;
    std::map<std::string, std::vector<unsigned char>> targets_;
    std::map<std::string, std::string> extensions_;
};

Corpus& TheCorpus() {
    static Corpus corpus;
    return corpus;
}

HandlePtr OpenOrFail(benchmark::State& state, const std::string& path) {
    HandlePtr handle(OpenMetaHandle(path.c_str(), 0));
    if (!handle || !handle->isValid) state.SkipWithError("cannot open the corpus file");
    return handle;
}

void OursRead(benchmark::State& state, const std::string& name) {
    const std::string path = TheCorpus().Path(name, "source");
    for (auto _ : state) benchmark::DoNotOptimize(ExportRead(path));
}

void DirectReadBench(benchmark::State& state, const std::string& name) {
    const std::string path = TheCorpus().Path(name, "source");
    for (auto _ : state) benchmark::DoNotOptimize(DirectRead(path));
}

void OursWriteInPlace(benchmark::State& state, const std::string& name) {
    HandlePtr handle = OpenOrFail(state, TheCorpus().Path(name, "ours-inplace"));
    const ValueSetter setter;
    for (auto _ : state) {
        if (!setter.SetAndWrite(handle.get(), nullptr)) {
            state.SkipWithError("write failed");
            break;
        }
    }
}

void DirectWriteInPlaceBench(benchmark::State& state, const std::string& name) {
    const std::string path = TheCorpus().Path(name, "exiv2-inplace");
    for (auto _ : state) DirectWriteInPlace(path);
}

void OursWriteToFile(benchmark::State& state, const std::string& name) {
    HandlePtr handle = OpenOrFail(state, TheCorpus().Path(name, "source"));
    const std::string target = TheCorpus().Path(name, "ours");
    const ValueSetter setter;
    for (auto _ : state) {
        if (!setter.SetAndWrite(handle.get(), target.c_str())) {
            state.SkipWithError("write failed");
            break;
        }
    }
}

void DirectWriteToFileBench(benchmark::State& state, const std::string& name) {
    const std::string source = TheCorpus().Path(name, "source");
    const std::string target = TheCorpus().Path(name, "exiv2");
    for (auto _ : state) DirectWriteToTarget(source, target);
}

void OursWriteToMemory(benchmark::State& state, const std::string& name) {
    HandlePtr handle = OpenOrFail(state, TheCorpus().Path(name, "source"));
    const std::vector<unsigned char>& target = TheCorpus().TargetBytes(name);
    const ValueSetter setter;
    for (auto _ : state) {
        int32_t size = static_cast<int32_t>(target.size());
        if (!setter.Apply(handle.get()) ||
            !WriteDataToMem(handle.get(), target.data(), &size, 0)) {
            state.SkipWithError("write failed");
            break;
        }
    }
}

void DirectWriteToMemoryBench(benchmark::State& state, const std::string& name) {
    const std::string source = TheCorpus().Path(name, "source");
    const std::vector<unsigned char>& target = TheCorpus().TargetBytes(name);
    for (auto _ : state) benchmark::DoNotOptimize(DirectWriteToMemory(source, target).size());
}

#ifdef LUMENMETA_TOOL_PATH
// Runs `arguments` (the program looked up on PATH unless given with a
// folder) with its output thrown away; false unless it exits with 0.
bool RunProgram(std::vector<std::string> arguments) {
    std::vector<char*> argv;
    for (std::string& argument : arguments) argv.push_back(argument.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    pid_t child = 0;
    const int spawned = posix_spawnp(&child, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    int status = 0;
    return spawned == 0 && waitpid(child, &status, 0) == child && WIFEXITED(status) &&
           WEXITSTATUS(status) == 0;
}

// Whether `name` is an executable program in a folder of PATH.
bool OnPath(const std::string& name) {
    const char* path = std::getenv("PATH");
    std::string folders = path ? path : "";
    for (size_t start = 0; start <= folders.size();) {
        const size_t end = std::min(folders.find(':', start), folders.size());
        const std::string folder = folders.substr(start, end - start);
        if (!folder.empty() && access((folder + "/" + name).c_str(), X_OK) == 0) return true;
        start = end + 1;
    }
    return false;
}

void RunEach(benchmark::State& state, const std::vector<std::string>& arguments) {
    for (auto _ : state) {
        if (!RunProgram(arguments)) {
            state.SkipWithError((arguments[0] + " failed").c_str());
            break;
        }
    }
}

// `lumenmeta set -j JOBS FOLDER KEY=VALUE...` with the WriteValues().
void OursBatch(benchmark::State& state, const std::string& name, const char* jobs) {
    std::vector<std::string> arguments = {LUMENMETA_TOOL_PATH, "set", "-j", jobs,
                                          TheCorpus().BatchFolder(name, "ours")};
    for (const SetValue& set : WriteValues()) {
        arguments.push_back(std::string(set.key) + "=" + set.value);
    }
    RunEach(state, arguments);
}
void OursBatchOneJob(benchmark::State& state, const std::string& name) { OursBatch(state, name, "1"); }
void OursBatchTwoJobs(benchmark::State& state, const std::string& name) { OursBatch(state, name, "2"); }

void DirectBatchBench(benchmark::State& state, const std::string& name) {
    for (auto _ : state) {
        for (int i = 0; i < kBatchFiles; ++i) {
            DirectWriteInPlace(TheCorpus().BatchFile(name, "exiv2", i));
        }
    }
}

// Against ExifTool, each side one process for the whole folder: every
// file's metadata as JSON, and three values written, one per family.
struct ExifToolValue {
    const char* key;
    const char* tag;
    const char* value;
};
constexpr ExifToolValue kExifToolValues[] = {
    {"Exif.Image.Artist", "EXIF:Artist", "Carla Example"},
    {"Iptc.Application2.Headline", "IPTC:Headline", "Boats at dawn"},
    {"Xmp.dc.title", "XMP-dc:Title", "Harbour at noon"},
};

void OursShowJson(benchmark::State& state, const std::string& name) {
    RunEach(state, {LUMENMETA_TOOL_PATH, "show", "--json", "-r", TheCorpus().BatchFolder(name, "read")});
}
void ExifToolShowJson(benchmark::State& state, const std::string& name) {
    RunEach(state, {"exiftool", "-json", "-r", TheCorpus().BatchFolder(name, "read")});
}
void OursSetThree(benchmark::State& state, const std::string& name) {
    std::vector<std::string> arguments = {LUMENMETA_TOOL_PATH, "set", "-r",
                                          TheCorpus().BatchFolder(name, "ours")};
    for (const ExifToolValue& set : kExifToolValues) {
        arguments.push_back(std::string(set.key) + "=" + set.value);
    }
    RunEach(state, arguments);
}
void ExifToolSetThree(benchmark::State& state, const std::string& name) {
    std::vector<std::string> arguments = {"exiftool", "-overwrite_original", "-r"};
    for (const ExifToolValue& set : kExifToolValues) {
        arguments.push_back(std::string("-") + set.tag + "=" + set.value);
    }
    arguments.push_back(TheCorpus().BatchFolder(name, "exiftool"));
    RunEach(state, arguments);
}

// `lumenmeta show -r -j JOBS` on a folder of files with many XMP properties.
void XmpHeavyShow(benchmark::State& state, const std::string& name, const char* jobs) {
    RunEach(state, {LUMENMETA_TOOL_PATH, "show", "-r", "-j", jobs,
                    TheCorpus().BatchFolder(name, "read")});
}
void XmpHeavyShowOneJob(benchmark::State& state, const std::string& name) {
    XmpHeavyShow(state, name, "1");
}
void XmpHeavyShowTwoJobs(benchmark::State& state, const std::string& name) {
    XmpHeavyShow(state, name, "2");
}
#endif

using BenchFunction = void (*)(benchmark::State&, const std::string&);

// What the first side of a pair ("ours", or -j 2) is measured against.
enum class Against { kExiv2, kExifTool, kOneJob };

struct Pair {
    std::string name;  // "write_to_file/1MB"
    int properties;    // for the scaling rows, else 0
    bool wallTime;     // timed by the clock: the work runs in a child process
    Against against;
};
std::vector<Pair>& Pairs() {
    static std::vector<Pair> pairs;
    return pairs;
}

std::pair<const char*, const char*> SideNames(Against against) {
    switch (against) {
        case Against::kExifTool: return {"/ours", "/exiftool"};
        case Against::kOneJob: return {"/j2", "/j1"};
        default: return {"/ours", "/exiv2"};
    }
}

void RegisterPair(const std::string& work, const std::string& corpusName, BenchFunction first,
                  BenchFunction second, int properties = 0, bool wallTime = false,
                  Against against = Against::kExiv2) {
    const std::string name = work + "/" + corpusName;
    Pairs().push_back({name, properties, wallTime, against});
    // Timed in processor time (user and system, file writes included): on a
    // shared machine, wall time mostly measures the other processes. A child
    // process's time is not the benchmark's own, so those rows use the clock.
    const auto [firstSide, secondSide] = SideNames(against);
    for (const auto& [side, function] : {std::pair{firstSide, first}, std::pair{secondSide, second}}) {
        auto* benchmark = benchmark::RegisterBenchmark((name + side).c_str(), function, corpusName)
                              ->Unit(benchmark::kMicrosecond);
        if (wallTime) benchmark->UseRealTime();
    }
}

void BuildCorpusAndRegister() {
    Corpus& corpus = TheCorpus();
    for (const SizeCase& size : kSizes) {
        corpus.Add(size.name, RealisticJpeg(size.bytes, 1), RealisticJpeg(size.bytes, 2));
    }
    for (const SizeCase& size : kSizes) RegisterPair("read", size.name, OursRead, DirectReadBench);
    for (const SizeCase& size : kSizes) {
        RegisterPair("write_in_place", size.name, OursWriteInPlace, DirectWriteInPlaceBench);
    }
    for (const SizeCase& size : kSizes) {
        RegisterPair("write_to_file", size.name, OursWriteToFile, DirectWriteToFileBench);
    }
    for (const SizeCase& size : kSizes) {
        RegisterPair("write_to_memory", size.name, OursWriteToMemory, DirectWriteToMemoryBench);
    }
    for (int count : kPropertyCounts) {
        const std::string name = std::to_string(count) + "xmp";
        corpus.Add(name, ManyXmpPropertiesPng(count, 1), ManyXmpPropertiesPng(count, 2), ".png");
        RegisterPair("scaling", name, OursWriteToFile, DirectWriteToFileBench, count);
    }
    const std::string keywords = std::to_string(kKeywordCount) + "iptc";
    corpus.Add(keywords, ManyIptcKeywordsJpeg(kKeywordCount, 1),
               ManyIptcKeywordsJpeg(kKeywordCount, 2));
    RegisterPair("scaling", keywords, OursWriteToFile, DirectWriteToFileBench, kKeywordCount);
#ifdef LUMENMETA_TOOL_PATH
    const std::string batch = std::to_string(kBatchFiles) + "x100KB";
    corpus.AddBatch(batch, RealisticJpeg(kSizes[0].bytes, 1), kBatchFiles, {"ours", "exiv2"});
    RegisterPair("batch_j1", batch, OursBatchOneJob, DirectBatchBench, 0, true);
    RegisterPair("batch_j2", batch, OursBatchTwoJobs, DirectBatchBench, 0, true);
    if (OnPath("exiftool")) {
        const std::string folder = std::to_string(kExifToolFiles) + "x100KB";
        corpus.AddBatch(folder, RealisticJpeg(kSizes[0].bytes, 1), kExifToolFiles,
                        {"read", "ours", "exiftool"});
        RegisterPair("show_json", folder, OursShowJson, ExifToolShowJson, 0, true,
                     Against::kExifTool);
        RegisterPair("set_three", folder, OursSetThree, ExifToolSetThree, 0, true,
                     Against::kExifTool);
    }
    const std::string heavy = std::to_string(kXmpHeavyFiles) + "x" +
                              std::to_string(kXmpHeavyProperties) + "xmp";
    corpus.AddBatch(heavy, ManyXmpPropertiesPng(kXmpHeavyProperties, 1), kXmpHeavyFiles, {"read"},
                    ".png");
    RegisterPair("xmp_heavy_show", heavy, XmpHeavyShowTwoJobs, XmpHeavyShowOneJob, 0, true,
                 Against::kOneJob);
#endif
}

// Keeps the median processor time of every benchmark (or that of its single
// run when not repeated), in seconds, beside the usual console output.
class MedianReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            if (run.error_occurred) continue;
            const bool median = run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
            benchmark::BenchmarkName runName = run.run_name;
            runName.time_type.clear();  // "real_time" on the clock-timed rows
            const std::string name = runName.str();
            if (!median && (run.run_type != Run::RT_Iteration || medians_.count(name))) continue;
            const double multiplier = benchmark::GetTimeUnitMultiplier(run.time_unit);
            const Times times{run.GetAdjustedCPUTime() / multiplier,
                              run.GetAdjustedRealTime() / multiplier};
            if (median) {
                medians_[name] = times;
            } else {
                singles_[name] = times;
            }
        }
    }
    // The median when there were repetitions, else the single run, in
    // processor time or by the clock; < 0 when the benchmark did not run.
    double Seconds(const std::string& name, bool wallTime = false) const {
        const std::map<std::string, Times>* sources[] = {&medians_, &singles_};
        for (const auto* source : sources) {
            if (auto hit = source->find(name); hit != source->end()) {
                return wallTime ? hit->second.wall : hit->second.processor;
            }
        }
        return -1;
    }

private:
    struct Times {
        double processor;
        double wall;
    };
    std::map<std::string, Times> medians_;
    std::map<std::string, Times> singles_;
};

std::string Duration(double seconds) {
    char text[32];
    if (seconds < 1e-3) {
        std::snprintf(text, sizeof text, "%.1f µs", seconds * 1e6);
    } else {
        std::snprintf(text, sizeof text, "%.2f ms", seconds * 1e3);
    }
    return text;
}

void PrintTable(const MedianReporter& reporter) {
    std::printf("\n| benchmark | ours | Exiv2 | ratio |\n|---|---:|---:|---:|\n");
    std::map<std::string, double> perProperty;
    std::string againstExifTool, againstOneJob;
    for (const Pair& pair : Pairs()) {
        const auto [firstSide, secondSide] = SideNames(pair.against);
        const double first = reporter.Seconds(pair.name + firstSide, pair.wallTime);
        const double second = reporter.Seconds(pair.name + secondSide, pair.wallTime);
        if (first < 0 || second < 0) continue;
        char row[256];
        if (pair.against == Against::kExiv2) {
            std::printf("| %s | %s | %s | %.2f |\n", pair.name.c_str(), Duration(first).c_str(),
                        Duration(second).c_str(), first / second);
            if (pair.properties > 0) perProperty[pair.name] = first / pair.properties;
            continue;
        }
        // These two say how many times faster the first side is.
        std::snprintf(row, sizeof row, "| %s | %s | %s | %.2f |\n", pair.name.c_str(),
                      Duration(pair.against == Against::kOneJob ? second : first).c_str(),
                      Duration(pair.against == Against::kOneJob ? first : second).c_str(),
                      second / first);
        (pair.against == Against::kExifTool ? againstExifTool : againstOneJob) += row;
    }
    std::printf("\nThe batch rows are clock time: the tool runs as a child process with -j 1 or\n"
                "-j 2, the Exiv2 code in one thread of the benchmark.\n");
    if (!againstExifTool.empty()) {
        std::printf("\nThe tool against ExifTool, each one process for the whole folder (clock "
                    "time):\n\n| batch | lumenmeta | ExifTool | times faster |\n|---|---:|---:|---:|"
                    "\n%s", againstExifTool.c_str());
    }
    if (!againstOneJob.empty()) {
        std::printf("\nThe tool with one job against two worker processes (clock time):\n\n"
                    "| batch | -j 1 | -j 2 | speed-up |\n|---|---:|---:|---:|\n%s",
                    againstOneJob.c_str());
    }
    const auto at1000 = perProperty.find("scaling/1000xmp");
    const auto at10000 = perProperty.find("scaling/10000xmp");
    if (at1000 != perProperty.end() && at10000 != perProperty.end()) {
        std::printf("\nTime per XMP property, ours: %s at 1,000, %s at 10,000 (%.2f x)\n",
                    Duration(at1000->second).c_str(), Duration(at10000->second).c_str(),
                    at10000->second / at1000->second);
        const double direct1000 = reporter.Seconds("scaling/1000xmp/exiv2") / 1000;
        const double direct10000 = reporter.Seconds("scaling/10000xmp/exiv2") / 10000;
        std::printf("Time per XMP property, Exiv2: %s at 1,000, %s at 10,000 (%.2f x)\n",
                    Duration(direct1000).c_str(), Duration(direct10000).c_str(),
                    direct10000 / direct1000);
    }
}

// Peak memory that each write of the largest file adds, against the file's
// size.
void PrintPeakMemory() {
    const SizeCase& largest = kSizes[sizeof kSizes / sizeof kSizes[0] - 1];
    const Corpus& corpus = TheCorpus();
    const double fileBytes = static_cast<double>(corpus.TargetBytes(largest.name).size());
    HandlePtr inPlace(OpenMetaHandle(corpus.Path(largest.name, "ours-inplace").c_str(), 0));
    HandlePtr source(OpenMetaHandle(corpus.Path(largest.name, "source").c_str(), 0));
    const std::string oursTarget = corpus.Path(largest.name, "ours");
    const std::string directTarget = corpus.Path(largest.name, "exiv2");
    const std::string sourcePath = corpus.Path(largest.name, "source");
    const std::vector<unsigned char>& bytes = corpus.TargetBytes(largest.name);
    const std::pair<const char*, std::function<void()>> writes[] = {
        {"write_in_place/ours", [&] { WriteData(inPlace.get(), nullptr, 0, 0); }},
        {"write_in_place/exiv2",
         [&] { DirectWriteInPlace(corpus.Path(largest.name, "exiv2-inplace")); }},
        {"write_to_file/ours", [&] { WriteData(source.get(), oursTarget.c_str(), 0, 0); }},
        {"write_to_file/exiv2", [&] { DirectWriteToTarget(sourcePath, directTarget); }},
        {"write_to_memory/ours",
         [&] {
             int32_t size = static_cast<int32_t>(bytes.size());
             WriteDataToMem(source.get(), bytes.data(), &size, 0);
         }},
        {"write_to_memory/exiv2", [&] { DirectWriteToMemory(sourcePath, bytes); }},
    };
    std::printf("\nPeak heap memory added by one write of the %s file (%.1f MB):\n\n", largest.name,
                fileBytes / 1e6);
    std::printf("| write | peak | x file size |\n|---|---:|---:|\n");
    for (const auto& [name, write] : writes) {
        write();  // first touches of the allocator and the page cache
        const size_t peak = PeakMemoryOf(write);
        std::printf("| %s | %.1f MB | %.2f |\n", name, static_cast<double>(peak) / 1e6,
                    static_cast<double>(peak) / fileBytes);
    }
}

}  // namespace

}  // namespace lumenmeta::bench

int main(int argc, char** argv) {
    using namespace lumenmeta::bench;
    SetExiv2LogLevel(4);
    Exiv2::LogMsg::setLevel(Exiv2::LogMsg::mute);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    BuildCorpusAndRegister();
    MedianReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    PrintTable(reporter);
    PrintPeakMemory();
    benchmark::Shutdown();
    return 0;
}
