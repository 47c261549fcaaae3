#pragma once

// What the fuzz targets share: a failed invariant aborts (libFuzzer keeps the input).

#include <cstdlib>

namespace zel::fuzz {

inline void Check(bool condition) {
    if (!condition) {
        std::abort();
    }
}

}  // namespace zel::fuzz
