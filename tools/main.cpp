// lumenmeta: the command-line tool over the library.
#include "demo.h"

#include "lumenmeta.h"

#include <cstdio>
#include <cstring>

namespace {

const char* const kUsage =
    "Usage: lumenmeta COMMAND [ARGUMENTS]\n"
    "\n"
    "Reads, edits and writes the Exif, IPTC and XMP metadata of images.\n"
    "\n"
    "Commands:\n"
    "  demo        make a sample image with metadata in a temporary folder\n"
    "              and show what the library reads from it\n"
    "\n"
    "Options:\n"
    "  --help      show this help\n"
    "  --version   show the version\n"
    "\n"
    "Example:\n"
    "  lumenmeta demo\n";

}  // namespace

int main(int argc, char** argv) {
    SetExiv2LogLevel(4);  // Exiv2's own warnings about damaged files stay quiet
    if (argc < 2) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    const char* command = argv[1];
    if (std::strcmp(command, "--help") == 0 || std::strcmp(command, "-h") == 0) {
        std::fputs(kUsage, stdout);
        return 0;
    }
    if (std::strcmp(command, "--version") == 0) {
        std::printf("lumenmeta %s\n", LUMENMETA_VERSION);
        return 0;
    }
    if (std::strcmp(command, "demo") == 0 && argc == 2) return lumenmeta_tool::RunDemo();
    std::fprintf(stderr, "lumenmeta: unknown command or arguments: %s\n\n%s", command, kUsage);
    return 2;
}
