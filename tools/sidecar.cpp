#include "sidecar.h"

#include "image_file.h"
#include "trace_capture.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <limits>

namespace lumenmeta_tool {

const std::string kEmptySidecar =
    "<?xpacket begin=\"\xEF\xBB\xBF\" id=\"W5M0MpCehiHzreSzNTczkc9d\"?>\n";

void AddSidecarOptions(KnownOptions& known) {
    known.optionalValue.insert("--sidecar");
    known.withValue.insert("--sidecar-name");
}

SidecarOptions SidecarOptionsOf(const Arguments& arguments) {
    SidecarOptions options;
    if (arguments.Has("--sidecar")) {
        const std::string value = arguments.Value("--sidecar");
        if (!value.empty() && value != "auto") {
            throw UsageError("--sidecar takes no value or \"auto\", not \"" + value + "\"");
        }
        options.mode = value.empty() ? SidecarMode::Always : SidecarMode::Auto;
    }
    if (arguments.HasValue("--sidecar-name")) {
        const std::string name = arguments.Value("--sidecar-name");
        if (name != "short" && name != "full") {
            throw UsageError("--sidecar-name is short (NAME.xmp) or full (NAME.EXT.xmp)");
        }
        if (options.mode == SidecarMode::Off) throw UsageError("--sidecar-name goes with --sidecar");
        options.fullName = name == "full";
    }
    return options;
}

bool IsSidecarPath(const std::string& path) {
    const size_t slash = path.rfind('/');
    const size_t dot = path.rfind('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return false;
    std::string extension = path.substr(dot);
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return extension == ".xmp";
}

Sidecar SidecarOf(const std::string& image, bool fullName) {
    const std::string full = image + ".xmp";
    if (FileExists(full) || fullName) return {full, FileExists(full)};
    const size_t slash = image.rfind('/');
    const size_t dot = image.rfind('.');
    const bool hasExtension = dot != std::string::npos && dot > 0 &&
                              (slash == std::string::npos || dot > slash + 1);
    const std::string shortName = (hasExtension ? image.substr(0, dot) : image) + ".xmp";
    return {shortName, FileExists(shortName)};
}

std::string FormatRefusal(const std::string& path) {
    std::string reason, bytes;
    Handle handle = OpenImage(path, reason);
    if (!handle || !ReadFile(path, bytes) ||
        bytes.size() > static_cast<size_t>(std::numeric_limits<int32_t>::max())) {
        return "";
    }
    TraceCapture trace;
    int32_t size = static_cast<int32_t>(bytes.size());
    if (WriteDataToMem(handle.get(), reinterpret_cast<const unsigned char*>(bytes.data()), &size,
                       0)) {
        return "";
    }
    const std::string failure = trace.WriteFailure();
    return IsFormatRefusal(failure) ? failure : "";
}

}  // namespace lumenmeta_tool
