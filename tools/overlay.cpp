#include "overlay.h"

#include "sidecar.h"

#include <algorithm>
#include <set>

namespace lumenmeta_tool {

std::vector<Entry> Overlaid::Entries(const char* family) const {
    std::vector<Entry> entries = FamilyEntries(image.get(), family);
    if (!sidecar || std::string(family) != "Xmp") return entries;
    std::vector<Entry> laid = FamilyEntries(sidecar.get(), family);
    const std::set<std::string> keys = [&laid] {
        std::set<std::string> held;
        for (const Entry& entry : laid) held.insert(entry.key);
        return held;
    }();
    for (Entry& entry : laid) entry.fromSidecar = true;
    for (Entry& entry : entries) {
        if (!keys.count(entry.key)) laid.push_back(std::move(entry));
    }
    std::stable_sort(laid.begin(), laid.end(),
                     [](const Entry& a, const Entry& b) { return a.key < b.key; });
    return laid;
}

std::vector<Entry> Overlaid::AllEntries() const {
    std::vector<Entry> all;
    for (const char* family : kFamilies) {
        for (Entry& entry : Entries(family)) all.push_back(std::move(entry));
    }
    return all;
}

MetaHandle* Overlaid::For(const std::string& key) const {
    if (sidecar && FamilyName(key.substr(0, key.find('.'))) == "Xmp" &&
        ReadValue(sidecar.get(), key, 0, false).type != 0) {
        return sidecar.get();
    }
    return image.get();
}

bool OpenOverlaid(const std::string& path, bool withSidecar, bool fullName, Overlaid& out,
                  std::string& reason) {
    if (withSidecar && IsSidecarPath(path)) {
        reason = "is an XMP sidecar itself; name its image";
        return false;
    }
    out.image = OpenImage(path, reason);
    if (!out.image) return false;
    if (!withSidecar) return true;
    const Sidecar sidecar = SidecarOf(path, fullName);
    if (!sidecar.exists) return true;
    out.sidecar = OpenImage(sidecar.path, reason);
    if (!out.sidecar) {
        reason = "its sidecar " + sidecar.path + " " + reason;
        return false;
    }
    out.sidecarPath = sidecar.path;
    return true;
}

}  // namespace lumenmeta_tool
