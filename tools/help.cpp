#include "help.h"

namespace lumenmeta_tool {

namespace {

// What every writing command does after its write.
#define READ_BACK                                                                 \
    "\nEach file written is read again: a key that does not read back as asked\n" \
    "fails the file, with a line saying what it reads instead and, where known,\n" \
    "why (a twin in another family that overrides it, say).\n"

#define WRITE_OPTIONS                                                             \
    "  --dry-run        write in memory only and show what would change, key by\n" \
    "                   key; no file is touched\n"                                   \
    "  --json           one JSON object per file and line: what changed, and any\n" \
    "                   key not kept\n"

// Where the writing commands can send their edits instead.
#define SIDECAR_WRITE                                                               \
    "  --sidecar        write into the image's XMP sidecar instead (made when\n"     \
    "                   missing, merged into when present); the image is not\n"      \
    "                   touched. Exif and IPTC values go in as their XMP twins\n"    \
    "  --sidecar=auto   the same, only for images whose format cannot be written\n" \
    "                   in place (HEIF, AVIF, CR3, ...); others are written in place\n" \
    "  --sidecar-name full  a new sidecar is NAME.EXT.xmp, not NAME.xmp. When both\n" \
    "                   exist, NAME.EXT.xmp is the image's sidecar\n"

#define SIDECAR_READ                                                                \
    "  --sidecar        read the image with its XMP sidecar (NAME.EXT.xmp, else\n"   \
    "                   NAME.xmp): the sidecar's XMP laid over the image's, a\n"     \
    "                   sidecar value winning for its key\n"                          \
    "  --sidecar-name full  only NAME.EXT.xmp is the image's sidecar\n"

// Which files of a batch a command acts on.
#define FILTER_OPTIONS                                                              \
    "  --where KEY=VALUE  only the files where KEY holds VALUE: one of its items,\n" \
    "                   or all of them joined by \"; \", as stored (-n) or as read\n" \
    "  --where KEY~REGEX  only the files where the regular expression (ECMAScript)\n" \
    "                   is found in one of those forms\n"                            \
    "  --where-missing KEY  only the files without KEY. Several conditions must\n"   \
    "                   all hold; a file that cannot be read is kept (and fails)\n"

#define BATCH_OPTIONS                                                        \
    "  -r               look for image files in directories below, too\n"    \
    "  -L               follow symbolic links met in directories (each\n"    \
    "                   folder and file once); without it they are skipped\n" \
    "  -j N             work on N files at a time (default: one per core; at\n" \
    "                   most one per file and 4 per core)\n"                   \
    "  --no-job-limit   take -j N as given, however many that is\n"          \
    "  --timeout S      with -j, fail a file not done after S seconds and\n" \
    "                   start a new worker in its place (default: 60)\n"    \
    "  --trace          send the library's debug trace to stderr\n"    \
    "  --verbose        show Exiv2's own warnings about damaged files, each\n" \
    "                   starting with the file's name\n" FILTER_OPTIONS

struct Page {
    const char* command;
    const char* text;
};

const Page kPages[] = {
    {"show",
     "Usage: lumenmeta show FILE... [--family Exif|Iptc|Xmp] [-n] [--json] [--sidecar]\n"
     "\n"
     "Shows every value of each file with its type code, grouped Exif, IPTC, XMP, as a\n"
     "person reads it (\"top, left\", \"1/125 s\"); -n shows it as stored (\"1\", \"1/125\").\n"
     "XMP arrays and repeated IPTC datasets are shown item by item.\n"
     "FILE may be a directory: its image files are shown. With --sidecar the values\n"
     "read from the sidecar are marked \"*\" (in JSON, each value has its \"origin\",\n"
     "\"image\" or \"sidecar\").\n"
     "\n"
     "  --family F       only the family F\n"
     "  -n               values as stored: every component, bytes as numbers\n"
     "  --json           one JSON object per file and line; each value with its\n"
     "                   \"value\" as stored and its \"text\" as read\n"
     "  --csv [KEY...]   a sheet (RFC 4180): a File column, then one per KEY (with\n"
     "                   none, every key the files hold), a row per file; values as\n"
     "                   stored, several joined by \"; \" (as get --all -n joins\n"
     "                   them); `set --csv` reads it back\n" SIDECAR_READ BATCH_OPTIONS
     "\n"
     "Examples:\n"
     "  lumenmeta show photo.jpg\n"
     "  lumenmeta show --sidecar IMG_0001.CR3\n"
     "  lumenmeta show --json -r ~/Pictures > metadata.jsonl\n"
     "  lumenmeta show --csv -r shoot/ Exif.Image.Artist Xmp.dc.subject > shoot.csv\n"
     "  lumenmeta show --where Xmp.xmp.Rating=5 -r ~/Pictures\n"},
    {"get",
     "Usage: lumenmeta get FILE... KEY... [--index N | --all [--separator S]] [-n | --decimal]\n"
     "                    [--json] [--strict] [--sidecar]\n"
     "\n"
     "Prints one value of each KEY (the first, or occurrence N), or all its values\n"
     "joined; with several keys, each line starts with \"KEY: \". A KEY may be a name\n"
     "such as Artist, Keywords or DateTimeOriginal (`lumenmeta names` lists them):\n"
     "it reads the value its keys in Exif, IPTC and XMP agree on, and where they\n"
     "disagree, each one's value after \"[families differ]\"; a list such as\n"
     "Keywords reads whole unless --index asks for an item. A file without the\n"
     "key prints nothing for it and is no failure.\n"
     "\n"
     "  --json           one JSON object per file and line: {\"file\", \"values\"},\n"
     "                   each KEY's value a text, null when the file lacks it, or\n"
     "                   for a name whose families disagree an object of KEY: text\n"
     "  --strict         a file without a value for a KEY fails (exit code 1)\n"
     "  --index N        occurrence N (0-based) of a repeated IPTC key or XMP bag\n"
     "  --all            every value, joined by \"; \" or by --separator S\n"
     "  -n               the value as stored (\"2 2 0 0\"), not as read (\"2.2.0.0\")\n"
     "  --decimal        rationals as decimal numbers; a GPS coordinate as signed\n"
     "                   decimal degrees (negative for S and W), the altitude in\n"
     "                   metres (negative below sea level)\n" SIDECAR_READ BATCH_OPTIONS
     "\n"
     "Examples:\n"
     "  lumenmeta get photo.jpg Exif.Image.Artist\n"
     "  lumenmeta get photo.jpg Artist Keywords --all\n"
     "  lumenmeta get photo.jpg Iptc.Application2.Keywords --all --separator ,\n"},
    {"set",
     "Usage: lumenmeta set FILE... KEY=VALUE... [--add KEY=VALUE]... [--to TARGET]\n"
     "                    [--xmp-mode N] [--keep-target-unread] [--dry-run] [--json]\n"
     "                    [--sidecar[=auto]] [--sidecar-name full]\n"
     "\n"
     "Sets values (UTF-8) and writes each file in place. KEY=VALUE gives the key\n"
     "exactly that value, whatever it held before (all items of an XMP array or a\n"
     "repeated IPTC dataset included); an empty VALUE clears the key. A key given\n"
     "several times gets those values as items, in order. A FILE that exists is a\n"
     "file, even when it is named like a key. With --dry-run and no KEY=VALUE:\n"
     "what a plain rewrite would change.\n"
     "A KEY may be a name such as Artist (`lumenmeta names`): the value goes into\n"
     "every family the name lives in. KEY+=VALUE is --add KEY=VALUE. Twins (keys\n"
     "of one name) given different values are refused before anything is\n"
     "written (exit code 2).\n"
     READ_BACK
     "\n"
     "  --add KEY=VALUE  append VALUE to what KEY holds (an XMP array, IPTC keywords),\n"
     "                   unless it holds it already\n"
     "  --to TARGET      write into the existing file TARGET instead (one FILE only)\n"
     "  --xmp-mode N     1 drop XMP unless the file had it, 2 drop all XMP,\n"
     "                   3 compact packet (for sidecars)\n"
     "  --keep-target-unread  with --to: TARGET gets only what this write puts in\n"
     "  --csv SHEET      apply a sheet as `show --csv` writes it: its File column\n"
     "                   names the files (relative to the sheet's folder unless\n"
     "                   absolute), every other column is a key. An empty cell, or\n"
     "                   one that holds what the file holds, leaves the key alone;\n"
     "                   other cells set it, cut at \"; \" into items. A file with\n"
     "                   nothing to change is not written\n"
     WRITE_OPTIONS SIDECAR_WRITE BATCH_OPTIONS
     "\n"
     "Examples:\n"
     "  lumenmeta set photo.jpg Exif.Image.Artist='Zoë Lumen' Xmp.dc.title='Harbour'\n"
     "  lumenmeta set photo.jpg Artist=Ann 'Keywords+=harbour' Rating=4\n"
     "  lumenmeta set --sidecar=auto -r ~/Pictures Xmp.xmp.Rating=5\n"
     "  lumenmeta set photo.jpg Xmp.dc.subject=harbour Xmp.dc.subject=dawn\n"
     "  lumenmeta set photo.jpg --add Iptc.Application2.Keywords=boats\n"
     "  lumenmeta set --dry-run -r ~/Pictures\n"
     "  lumenmeta set -r -j 4 shoot/ Iptc.Application2.City=Lumenport\n"
     "  lumenmeta set --csv shoot.csv\n"},
    {"clear",
     "Usage: lumenmeta clear FILE... KEY... [--gps] [--to TARGET] [--dry-run] [--json]\n"
     "                      [--sidecar[=auto]] [--sidecar-name full]\n"
     "\n"
     "Removes every value of each KEY and writes each file in place. A KEY may be a\n"
     "name such as Artist (every family's key, `lumenmeta names`), a group such as\n"
     "Exif.GPSInfo or Xmp.xmpMM (each of its keys the file holds), or a pattern\n"
     "with * and ? such as 'Exif.GPSInfo.*' or 'Xmp.exif.GPS*' (quote it). A key cleared\n"
     "in a sidecar that the image's own XMP holds fails the file: read together,\n"
     "the image's value shows again.\n"
     READ_BACK
     "\n"
     "  --gps            every GPS key: position, altitude, direction, GPS time\n"
     "                   and the rest, in Exif (Exif.GPSInfo.*) and XMP (Xmp.exif.GPS*,\n"
     "                   Xmp.exifEX.GPS*)\n"
     "  --to TARGET      write into the existing file TARGET instead (one FILE only)\n"
     WRITE_OPTIONS SIDECAR_WRITE BATCH_OPTIONS
     "\n"
     "Examples:\n"
     "  lumenmeta clear --gps -r ~/Pictures/to-publish\n"
     "  lumenmeta clear photo.jpg 'Xmp.xmpMM.*' Artist\n"
     "  lumenmeta clear photo.jpg Exif.GPSInfo.GPSLatitude Exif.GPSInfo.GPSLongitude\n"},
    {"copy",
     "Usage: lumenmeta copy SOURCE TARGET [--read-target] [--dry-run] [--json]\n"
     "                     [--sidecar[=auto]] [--sidecar-name full]\n"
     "\n"
     "Replaces all metadata of TARGET by that of SOURCE (a new JPEG when TARGET\n"
     "does not exist). TARGET is then read again: every key must read as in SOURCE.\n"
     "With --sidecar, SOURCE's metadata is merged into TARGET's sidecar, SOURCE's\n"
     "values winning, and every XMP key must then read there as in SOURCE.\n"
     "\n"
     "  --read-target    read TARGET's own metadata before replacing it\n"
     "  --dry-run        copy into a scratch copy of TARGET and show what would\n"
     "                   change; TARGET is not touched\n"
     "  --json           what changed, and any key not kept, as one JSON object\n"
     SIDECAR_WRITE
     "\n"
     "Example:\n"
     "  lumenmeta copy original.jpg edited.jpg\n"},
    {"copy-value",
     "Usage: lumenmeta copy-value SOURCE TARGET KEY [--dry-run] [--json]\n"
     "                           [--sidecar[=auto]] [--sidecar-name full]\n"
     "\n"
     "Copies one Exif value from SOURCE into TARGET and writes TARGET.\n"
     READ_BACK
     "\n"
     WRITE_OPTIONS SIDECAR_WRITE
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
    {"shift",
     "Usage: lumenmeta shift FILE... AMOUNT [--keys KEY,...] [--gps-time] [--dry-run]\n"
     "                      [--json]\n"
     "\n"
     "Moves the dates of each file by AMOUNT and writes it in place. AMOUNT is\n"
     "[+|-][D ]H[:M[:S]]: hours, then optionally minutes and seconds, after an\n"
     "optional number of days and a space; the sign covers it all (\"+2\", \"-1:30\",\n"
     "\"+1 02:00:00\"). Moved are the capture, digitisation and modification dates:\n"
     "Exif.Photo.DateTimeOriginal, Exif.Photo.DateTimeDigitized, Exif.Image.DateTime\n"
     "(their sub-seconds and time zone offsets stay as they are); IPTC DateCreated\n"
     "with TimeCreated and DigitizationDate with DigitizationTime, as one moment\n"
     "(across midnight the date moves too); Xmp.exif.DateTimeOriginal,\n"
     "Xmp.exif.DateTimeDigitized, Xmp.photoshop.DateCreated, Xmp.xmp.CreateDate,\n"
     "Xmp.xmp.ModifyDate and Xmp.tiff.DateTime (keeping their offsets and the\n"
     "precision they have). A date without a time of day moves by whole days, or\n"
     "with its Exif twin's moment where that falls on the same day. The GPS time\n"
     "stamps (UTC from the satellites) stay unless --gps-time. A shift and its\n"
     "reverse give every date back exactly. A file with no date to move is not\n"
     "written. Each file is written in memory first: where dates of different\n"
     "families disagree (an Exif date and an XMP twin that are not one moment),\n"
     "the write would make them alike, so the file is left as it is and fails.\n"
     READ_BACK
     "\n"
     "  --keys K,...     move only these dates, each with its twins in the other\n"
     "                   families (which a write keeps alike; an IPTC date and\n"
     "                   its time are one)\n"
     "  --gps-time       move Exif.GPSInfo.GPSDateStamp with GPSTimeStamp, and\n"
     "                   Xmp.exif.GPSTimeStamp, too\n"
     WRITE_OPTIONS BATCH_OPTIONS
     "\n"
     "Examples:\n"
     "  lumenmeta shift -r trip/ +2\n"
     "  lumenmeta shift photo.jpg \"-1 02:00:00\" --dry-run\n"
     "  lumenmeta shift -r trip/ -1:30 --where Exif.Image.Model~Z\n"},
    {"diff",
     "Usage: lumenmeta diff A B [--json] [--sidecar]\n"
     "\n"
     "Compares the metadata of two images key by key: the keys only B has (added),\n"
     "those only A has (removed) and those whose values differ (changed, A → B).\n"
     "Tags that only hold offsets into the file are not compared. Exit code, as\n"
     "diff(1): 0 when they hold the same, 1 when they differ, 2 on trouble.\n"
     "\n"
     "  --json           one JSON object: \"added\", \"changed\" and \"removed\" lists\n"
     SIDECAR_READ
     "\n"
     "Example:\n"
     "  lumenmeta diff photo.jpg backup/photo.jpg\n"},
    {"names",
     "Usage: lumenmeta names [NAME...] [--json]\n"
     "\n"
     "Lists the names the commands take wherever they take a key, and the keys of\n"
     "each: the keys of Exif, IPTC and XMP that the library keeps in step with each\n"
     "other. Reading a name gives the value they agree on (where they disagree,\n"
     "each one's); setting it sets every family; clearing it clears every family.\n"
     "Names are matched in any case.\n"
     "\n"
     "  --json           one JSON array of {\"name\", \"keys\", \"aliases\"}\n"
     "\n"
     "Examples:\n"
     "  lumenmeta names\n"
     "  lumenmeta names Artist DateTimeOriginal\n"},
    {"demo",
     "Usage: lumenmeta demo\n"
     "\n"
     "Makes a sample JPEG with Exif, IPTC and XMP in a temporary folder, shows it,\n"
     "edits a few values, writes them and shows both sides; then removes the folder.\n"
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
           "  diff        the keys that differ between two images\n"
           "  shift       move the dates of every family by some hours or days\n"
           "  names       the short names (Artist, Keywords, ...) and their keys\n"
           "  demo        try it all on a sample image it makes itself\n"
           "\n"
           "Files may be directories (with -r, recursively); -j N works on N at a time.\n"
           "Writing commands read each file back and fail it when a key did not keep\n"
           "the value asked; --dry-run shows what a write would change. --sidecar\n"
           "writes into the image's XMP sidecar, and reads the two together;\n"
           "--sidecar=auto writes there only what cannot be written in place (HEIF,\n"
           "AVIF, CR3).\n"
           "Where a command takes a KEY it also takes a name such as Artist, Keywords or\n"
           "DateTimeOriginal, which stands for its keys in every family.\n"
           "Exit code: 0 every file done, 1 some failed, 2 a usage mistake (diff: 0 the\n"
           "same, 1 different, 2 trouble). A file without a key is no failure for get.\n"
           "\n"
           "  --help      this help; `lumenmeta COMMAND --help` for a command\n"
           "  --version   the versions of the tool, the library and Exiv2\n"
           "\n"
           "Examples:\n"
           "  lumenmeta demo\n"
           "  lumenmeta show photo.jpg\n"
           "  lumenmeta set photo.jpg Exif.Image.Artist='Zoë Lumen'\n"
           "  lumenmeta get photo.jpg Artist Keywords\n";
}

const char* CommandHelp(const std::string& command) {
    for (const Page& page : kPages) {
        if (command == page.command) return page.text;
    }
    return nullptr;
}

}  // namespace lumenmeta_tool
