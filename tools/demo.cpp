#include "demo.h"

#include "entries.h"
#include "image_file.h"
#include "lumenmeta.h"
#include "sample_image.h"
#include "scratch_folder.h"
#include "text.h"

#include <cstdio>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace lumenmeta_tool {

namespace {

bool WriteFile(const std::string& path, const std::vector<unsigned char>& bytes) {
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) return false;
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return std::fclose(file) == 0 && written;
}

// Every value of the file by "key" (with "#n" for a repeated key), in order.
using Values = std::vector<std::pair<std::string, std::string>>;

Values ReadValues(const std::string& path) {
    std::string reason;
    Handle handle = OpenImage(path, reason);
    Values values;
    if (!handle) return values;
    for (const char* family : {"Exif", "Iptc", "Xmp"}) {
        std::map<std::string, int> seen;
        for (const Entry& entry : FamilyEntries(handle.get(), family)) {
            const int occurrence = seen[entry.key]++;
            values.emplace_back(
                entry.key + (occurrence ? "#" + std::to_string(occurrence + 1) : ""),
                entry.value);
        }
    }
    return values;
}

// Cuts `text`, its control characters shown escaped, to `width` characters
// (not bytes), marking a cut with "~".
std::string Fit(const std::string& text, size_t width, bool pad = true) {
    std::u16string wide = WideFromUtf8(Shown(text));
    if (wide.size() > width) wide = wide.substr(0, width - 1) + u"~";
    return Utf8FromWide(wide) + std::string(pad ? width - wide.size() : 0, ' ');
}

void PrintSideBySide(const Values& before, const Values& after) {
    std::map<std::string, std::string> was(before.begin(), before.end());
    std::map<std::string, std::string> is(after.begin(), after.end());
    Values rows = before;
    for (const auto& entry : after) {
        if (!was.count(entry.first)) rows.push_back(entry);
    }
    std::printf("  %s %s %s\n", Fit("key", 34).c_str(), Fit("before", 24).c_str(), "after");
    for (const auto& [key, unused] : rows) {
        const std::string old = was.count(key) ? was[key] : "-";
        const std::string now = is.count(key) ? is[key] : "-";
        std::printf("%s %s %s %s\n", old == now ? " " : "*", Fit(key, 34).c_str(),
                    Fit(old, 24).c_str(), Fit(now, 36, false).c_str());
    }
}

const std::pair<const char*, const char*> kEdits[] = {
    {"Exif.Image.Artist", "Zoë Lumen"},
    {"Exif.Image.Copyright", "© 2026 Zoë Lumen"},
    {"Xmp.dc.title", "Lumenport harbour, 6 a.m."},
    {"Xmp.xmp.Rating", "5"},
    {"Iptc.Application2.City", "Lumenport"},
};

}  // namespace

int RunDemo() {
    const ScratchFolder scratch("lumenmeta-demo");
    const std::string& folder = scratch.path();
    if (folder.empty()) {
        std::fprintf(stderr, "lumenmeta demo: cannot make a temporary folder\n");
        return 1;
    }
    const std::string path = folder + "/sample.jpg";
    const std::vector<unsigned char> sample = SampleJpeg();
    if (!WriteFile(path, sample)) {
        std::fprintf(stderr, "lumenmeta demo: cannot write %s\n", path.c_str());
        return 1;
    }
    std::printf("1. A sample JPEG with Exif, IPTC and XMP: %s (%zu bytes)\n\n", path.c_str(),
                sample.size());

    std::string reason;
    Handle handle = OpenImage(path, reason);
    if (!handle) {
        std::fprintf(stderr, "lumenmeta demo: %s: %s\n", path.c_str(), reason.c_str());
        return 1;
    }
    std::printf("2. What the library reads from it (lumenmeta show %s):\n", path.c_str());
    for (const char* family : {"Exif", "Iptc", "Xmp"}) {
        for (const Entry& entry : FamilyEntries(handle.get(), family)) {
            std::printf("     %-30s %-8s %s\n", entry.key.c_str(), TypeText(entry.type).c_str(),
                        Shown(entry.value).c_str());
        }
    }
    const Values before = ReadValues(path);

    std::printf("\n3. Editing (lumenmeta set %s KEY=VALUE...):\n", path.c_str());
    for (const auto& [key, value] : kEdits) {
        const Bstr text(value);
        const int stored = AddMetaDataW(handle.get(), key, text.get());
        std::printf("     %-30s = %s%s\n", key, value, stored ? "" : "   (refused)");
    }
    const bool written = WriteDataStd(handle.get(), nullptr) == 1;
    handle.reset();
    std::printf("   and writing: %s\n\n", written ? "done" : "FAILED");
    if (!written) return 1;

    std::printf("4. The file before and after (* marks a change; the write also mirrors\n"
                "   texts between Exif, IPTC and XMP):\n");
    PrintSideBySide(before, ReadValues(path));
    std::printf("\nThe temporary folder %s is removed again. The same on a copy of\n"
                "one of your photos: lumenmeta show copy.jpg, lumenmeta set copy.jpg Artist=...\n",
                folder.c_str());
    return 0;
}

}  // namespace lumenmeta_tool
