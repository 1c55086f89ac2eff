// How the fuzz targets state their invariants: a violated invariant names itself and what was
// seen on standard error, then aborts, which libFuzzer reports as a crash and saves the input
// that caused it.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <string_view>

namespace orvel::fuzz {

[[noreturn]] inline void violated(std::string_view invariant, std::string_view seen = {}) {
    std::fprintf(stderr, "invariant violated: %.*s\n", static_cast<int>(invariant.size()),
                 invariant.data());
    if (!seen.empty()) {
        std::fprintf(stderr, "seen: %.*s\n", static_cast<int>(seen.size()), seen.data());
    }
    std::abort();
}

inline void require(bool holds, std::string_view invariant, std::string_view seen = {}) {
    if (!holds) {
        violated(invariant, seen);
    }
}

} // namespace orvel::fuzz
