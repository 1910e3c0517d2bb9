// What a name reads in a file: the values its keys hold in each family, and
// whether they say the same thing.
#pragma once

#include "lumenmeta.h"
#include "names.h"

#include <functional>
#include <string>
#include <vector>

namespace lumenmeta_tool {

struct HeldValue {
    std::string key;
    std::vector<std::string> items;  // as the key's family writes them, for comparing
};

struct NameReading {
    std::vector<HeldValue> held;  // the name's keys that hold a value, in the name's order
    bool agree = true;            // every key that holds a value says the same

    bool Found() const { return !held.empty(); }
};

// Reads every key of `name`, each from the handle `handleFor` gives for it
// (with a sidecar, the sidecar for the XMP keys it holds).
NameReading ReadName(const Name& name, const std::function<MetaHandle*(const std::string&)>& handleFor);

}  // namespace lumenmeta_tool
