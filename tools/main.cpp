// lumenmeta: the command-line tool over the library.
#include "commands.h"
#include "demo.h"
#include "help.h"
#include "text.h"
#include "trace_capture.h"

#include "lumenmeta.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <malloc.h>
#include <sys/mman.h>
#include <cstdint>
#include <cstdlib>
#include <map>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

using namespace lumenmeta_tool;

int Dispatch(const std::string& command, const Words& words) {
    static const std::map<std::string, int (*)(const Words&)> kCommands = {
        {"show", RunShow},       {"get", RunGet},           {"set", RunSet},
        {"clear", RunClear},     {"copy", RunCopy},         {"copy-value", RunCopyValue},
        {"sidecar", RunSidecar}, {"vars", RunVars},         {"thumbnail", RunThumbnail},
        {"diff", RunDiff},       {"names", RunNames},       {"shift", RunShift},
    };
    if (command == "demo") {
        for (const std::string& word : words) {
            if (word != "--trace" && word != "--verbose") throw UsageError("demo takes no arguments");
        }
        return RunDemo();
    }
    const auto it = kCommands.find(command);
    if (it == kCommands.end()) throw UsageError("unknown command " + command);
    return it->second(words);
}

// Grows the heap now, by the top pad set above, and lets the kernel back it
// with huge pages: a worker forked for a batch then faults its fresh memory
// in 2 MiB at a time, not 4 KiB, and tears down far fewer page-table
// entries when it ends. Only the whole 2 MiB stretches of the heap qualify.
void UseHugePagesForTheHeap() {
    void* grown = std::malloc(1 << 20);
    const uintptr_t from = reinterpret_cast<uintptr_t>(grown);
    std::free(grown);
    const uintptr_t huge = uintptr_t{2} << 20;
    const uintptr_t start = (from + huge - 1) & ~(huge - 1);
    const uintptr_t end = reinterpret_cast<uintptr_t>(sbrk(0)) & ~uintptr_t{4095};
    if (from != 0 && start < end) madvise(reinterpret_cast<void*>(start), end - start, MADV_HUGEPAGE);
}

}  // namespace

int main(int argc, char** argv) {
    // A batch opens file after file, each parse allocating and freeing the
    // same few megabytes. Kept in the heap rather than handed back to the
    // system and asked for again, those pages are not faulted in anew for
    // every file, which on a virtual machine costs more than the parse.
    mallopt(M_MMAP_THRESHOLD, 32 << 20);
    mallopt(M_TRIM_THRESHOLD, 128 << 20);
    mallopt(M_TOP_PAD, 16 << 20);
    UseHugePagesForTheHeap();
    // Output that goes to a file or a pipe leaves in large writes: a batch
    // prints several kilobytes per file.
    static char output[1 << 16];
    if (!isatty(STDOUT_FILENO)) std::setvbuf(stdout, output, _IOFBF, sizeof output);
    // Exiv2's own warnings about damaged files stay quiet unless asked for
    // with --verbose; then each line starts with the file's name (the
    // library's default sink).
    SetExiv2LogLevel(std::find(argv + 1, argv + argc, std::string("--verbose")) != argv + argc ? 2 : 4);
    if (argc < 2) {
        std::fputs("Usage: lumenmeta COMMAND [ARGUMENTS]; see `lumenmeta --help`\n", stderr);
        return 2;
    }
    const std::string command = argv[1];
    if (command == "--help" || command == "-h" || command == "help") {
        const char* page = argc > 2 ? CommandHelp(argv[2]) : OverviewHelp();
        std::fputs(page ? page : OverviewHelp(), stdout);
        return 0;
    }
    if (command == "--version") {
        // The tool's version, then the library's and Exiv2's it runs with.
        std::printf("lumenmeta %s\nliblumenmeta %s\nExiv2 %s\n", LUMENMETA_VERSION,
                    GetLumenmetaVersion(), GetExiv2Version());
        return 0;
    }
    const Words words(argv + 2, argv + argc);
    const char* page = CommandHelp(command);
    if (page && std::any_of(words.begin(), words.end(),
                            [](const std::string& w) { return w == "--help" || w == "-h"; })) {
        std::fputs(page, stdout);
        return 0;
    }
    InstallTraceSink(std::find(words.begin(), words.end(), "--trace") != words.end());
    try {
        return Dispatch(command, words);
    } catch (const UsageError& error) {
        // One line, and where the whole story is.
        std::fprintf(stderr, "lumenmeta %s: %s; see `lumenmeta %s--help`\n",
                     Shown(command).c_str(), Shown(error.what()).c_str(),
                     page ? (Shown(command) + " ").c_str() : "");
        return 2;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "lumenmeta %s: %s\n", Shown(command).c_str(),
                     Shown(error.what()).c_str());
        return 1;
    } catch (...) {
        std::fprintf(stderr, "lumenmeta %s: unexpected error\n", Shown(command).c_str());
        return 1;
    }
}
