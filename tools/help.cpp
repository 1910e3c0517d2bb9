#include "help.h"

namespace lumenmeta_tool {

namespace {

#define BATCH_OPTIONS                                                        \
    "  -r               look for image files in directories below, too\n"    \
    "  -j N             work on N files at a time (default: one per core)\n" \
    "  --trace          send the library's debug trace to stderr\n"

struct Page {
    const char* command;
    const char* text;
};

const Page kPages[] = {
    {"show",
     "Usage: lumenmeta show FILE... [--family Exif|Iptc|Xmp] [--json]\n"
     "\n"
     "Shows every key of each file with its type code and value, grouped Exif, IPTC, XMP.\n"
     "FILE may be a directory: its image files are shown.\n"
     "\n"
     "  --family F       only the family F\n"
     "  --json           one JSON object per file and line\n" BATCH_OPTIONS
     "\n"
     "Examples:\n"
     "  lumenmeta show photo.jpg\n"
     "  lumenmeta show --json -r ~/Pictures > metadata.jsonl\n"},
    {"get",
     "Usage: lumenmeta get FILE... KEY [--index N | --all [--separator S]] [--decimal]\n"
     "\n"
     "Prints one value of KEY (the first, or occurrence N), or all its values joined.\n"
     "\n"
     "  --index N        occurrence N (0-based) of a repeated IPTC key or XMP bag\n"
     "  --all            every value, joined by \"; \" or by --separator S\n"
     "  --decimal        rationals as decimal numbers\n" BATCH_OPTIONS
     "\n"
     "Examples:\n"
     "  lumenmeta get photo.jpg Exif.Image.Artist\n"
     "  lumenmeta get photo.jpg Iptc.Application2.Keywords --all --separator ,\n"},
    {"set",
     "Usage: lumenmeta set FILE... KEY=VALUE... [--to TARGET] [--xmp-mode N]\n"
     "                    [--keep-target-unread]\n"
     "\n"
     "Sets values (UTF-8) and writes each file in place; an empty VALUE clears the key.\n"
     "\n"
     "  --to TARGET      write into the existing file TARGET instead (one FILE only)\n"
     "  --xmp-mode N     1 drop XMP unless the file had it, 2 drop all XMP,\n"
     "                   3 compact packet (for sidecars)\n"
     "  --keep-target-unread  with --to: TARGET gets only what this write puts in\n" BATCH_OPTIONS
     "\n"
     "Examples:\n"
     "  lumenmeta set photo.jpg Exif.Image.Artist='Zoë Lumen' Xmp.dc.title='Harbour'\n"
     "  lumenmeta set -r -j 4 shoot/ Iptc.Application2.City=Lumenport\n"},
    {"clear",
     "Usage: lumenmeta clear FILE... KEY... [--to TARGET]\n"
     "\n"
     "Removes every value of each KEY and writes each file in place.\n"
     "\n"
     "  --to TARGET      write into the existing file TARGET instead (one FILE only)\n" BATCH_OPTIONS
     "\n"
     "Example:\n"
     "  lumenmeta clear photo.jpg Exif.GPSInfo.GPSLatitude Exif.GPSInfo.GPSLongitude\n"},
    {"copy",
     "Usage: lumenmeta copy SOURCE TARGET [--read-target]\n"
     "\n"
     "Replaces all metadata of TARGET by that of SOURCE (a new JPEG when TARGET\n"
     "does not exist).\n"
     "\n"
     "  --read-target    read TARGET's own metadata before replacing it\n"
     "\n"
     "Example:\n"
     "  lumenmeta copy original.jpg edited.jpg\n"},
    {"copy-value",
     "Usage: lumenmeta copy-value SOURCE TARGET KEY\n"
     "\n"
     "Copies one Exif value from SOURCE into TARGET and writes TARGET.\n"
     "\n"
     "Example:\n"
     "  lumenmeta copy-value original.jpg edited.jpg Exif.Photo.DateTimeOriginal\n"},
    {"sidecar",
     "Usage: lumenmeta sidecar IMAGE... [SIDECAR] [--overwrite]\n"
     "\n"
     "Creates an XMP sidecar for each image (IMAGE with the extension .xmp, or\n"
     "SIDECAR for a single image) and fills it from the image.\n"
     "\n"
     "  --overwrite      replace a sidecar that exists\n" BATCH_OPTIONS
     "\n"
     "Examples:\n"
     "  lumenmeta sidecar photo.jpg\n"
     "  lumenmeta sidecar photo.jpg notes/photo.xmp --overwrite\n"},
    {"vars",
     "Usage: lumenmeta vars FILE... [--variables] [--unresolved] [--system]\n"
     "\n"
     "Lists the application variables (Xmp.Lumenframe.*) with their values; with\n"
     "no group named, all three groups.\n" BATCH_OPTIONS
     "\n"
     "Example:\n"
     "  lumenmeta vars photo.jpg --unresolved\n"},
    {"thumbnail",
     "Usage: lumenmeta thumbnail FILE (--extract OUT | --set JPEG)\n"
     "\n"
     "Saves the Exif thumbnail of FILE to OUT, or stores JPEG as the thumbnail of\n"
     "each FILE and writes it.\n" BATCH_OPTIONS
     "\n"
     "Examples:\n"
     "  lumenmeta thumbnail photo.jpg --extract thumb.jpg\n"
     "  lumenmeta thumbnail photo.jpg --set small.jpg\n"},
    {"demo",
     "Usage: lumenmeta demo\n"
     "\n"
     "Makes a sample JPEG with Exif, IPTC and XMP in a temporary folder, shows it,\n"
     "edits a few values, writes them and shows both sides.\n"
     "\n"
     "Example:\n"
     "  lumenmeta demo\n"},
};

}  // namespace

const char* OverviewHelp() {
    return "Usage: lumenmeta COMMAND [ARGUMENTS]\n"
           "\n"
           "Reads, edits and writes the Exif, IPTC and XMP metadata of images.\n"
           "\n"
           "Commands:\n"
           "  show        every key with its type and value\n"
           "  get         one value of a key\n"
           "  set         set values and write\n"
           "  clear       remove keys and write\n"
           "  copy        copy all metadata from one image into another\n"
           "  copy-value  copy one Exif value from one image into another\n"
           "  sidecar     create an XMP sidecar filled from the image\n"
           "  vars        list the application variables\n"
           "  thumbnail   extract or set the Exif thumbnail\n"
           "  demo        try it all on a sample image it makes itself\n"
           "\n"
           "Files may be directories (with -r, recursively); -j N sets the threads.\n"
           "Exit code: 0 every file done, 1 some failed, 2 a usage mistake.\n"
           "\n"
           "  --help      this help; `lumenmeta COMMAND --help` for a command\n"
           "  --version   the version\n"
           "\n"
           "Examples:\n"
           "  lumenmeta demo\n"
           "  lumenmeta show photo.jpg\n"
           "  lumenmeta set photo.jpg Exif.Image.Artist='Zoë Lumen'\n";
}

const char* CommandHelp(const std::string& command) {
    for (const Page& page : kPages) {
        if (command == page.command) return page.text;
    }
    return nullptr;
}

}  // namespace lumenmeta_tool
