#include "demo.h"

#include "lumenmeta.h"
#include "sample_image.h"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace lumenmeta_tool {

namespace {

const char* YesNo(int flag) { return flag ? "yes" : "no"; }

bool WriteFile(const std::string& path, const std::vector<unsigned char>& bytes) {
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) return false;
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return std::fclose(file) == 0 && written;
}

void PrintHandle(MetaHandle* handle) {
    int width = 0, height = 0;
    if (GetImageSize(handle, &width, &height)) {
        std::printf("  image size   %d x %d pixels\n", width, height);
    } else {
        std::printf("  image size   unknown (the image could not be read)\n");
    }
    std::printf("  had Exif     %s\n", YesNo(HadExifData(handle)));
    std::printf("  had IPTC     %s (turns yes once an IPTC value has been read)\n",
                YesNo(HadIptcData(handle)));
    std::printf("  had XMP      %s (turns yes once an XMP value has been read)\n",
                YesNo(HadXmpData(handle)));
}

}  // namespace

int RunDemo() {
    const char* base = std::getenv("TMPDIR");
    std::string folder = std::string(base && *base ? base : "/tmp") + "/lumenmeta-demo-XXXXXX";
    if (!mkdtemp(folder.data())) {
        std::fprintf(stderr, "lumenmeta demo: cannot make a temporary folder\n");
        return 1;
    }
    const std::string path = folder + "/sample.jpg";
    const std::vector<unsigned char> sample = SampleJpeg();
    if (!WriteFile(path, sample)) {
        std::fprintf(stderr, "lumenmeta demo: cannot write %s\n", path.c_str());
        return 1;
    }
    std::printf("Sample image with Exif, IPTC and XMP: %s (%zu bytes)\n\n", path.c_str(),
                sample.size());

    MetaHandle* handle = OpenMetaHandle(path.c_str(), 0);
    if (!handle) {
        std::fprintf(stderr, "lumenmeta demo: out of memory\n");
        return 1;
    }
    std::printf("Opened from its path:\n");
    std::printf("  path         %s\n", GetMetaDataFilePath(handle).c_str());
    PrintHandle(handle);
    CloseMetaHandle(handle);

    MetaHandle* fromMemory = OpenMemImage(sample.data(), static_cast<int32_t>(sample.size()));
    std::printf("\nOpened from memory (%zu bytes):\n", sample.size());
    if (fromMemory) {
        std::printf("  path         (none: a memory image has no path)\n");
        PrintHandle(fromMemory);
    } else {
        std::printf("  not an image the library can read\n");
    }
    CloseMetaHandle(fromMemory);

    std::printf("\nThe sample stays in %s for you to look at.\n", folder.c_str());
    return fromMemory ? 0 : 1;
}

}  // namespace lumenmeta_tool
