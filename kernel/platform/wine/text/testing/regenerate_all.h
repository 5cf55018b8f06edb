// Test support for the hive text format: every section of a hive marked to
// be written again from the model alone, as if each key had been changed, so
// that a test can hold the writer's own text against Wine's.
#pragma once

#include <vector>

#include "kernel/platform/wine/text/hive.h"

namespace sl::platform::wine::testing {

inline void RegenerateEverySection(Hive& hive) {
    std::vector<HiveKey*> stack{&hive.root()};
    while (!stack.empty()) {
        HiveKey* key = stack.back();
        stack.pop_back();
        key->regenerate = true;
        for (auto& subkey : key->subkeys) stack.push_back(subkey.get());
    }
}

}  // namespace sl::platform::wine::testing
