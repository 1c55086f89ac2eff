// Whether the Linux desktop tests may run: only inside a private desktop session that the
// test command started itself (an X server of its own and an accessibility bus named by
// AT_SPI_BUS_ADDRESS, which a person's own desktop does not export). Outside one, the tests
// skip with the reason rather than touch a real desktop.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

namespace orvel::testing {

inline std::string privateSessionMissing() {
    const char* display = std::getenv("DISPLAY");
    const char* bus = std::getenv("AT_SPI_BUS_ADDRESS");
    if (display == nullptr || *display == '\0' || bus == nullptr || *bus == '\0') {
        return "no private desktop session (run inside scripts/desktop-session)";
    }
    return "";
}

#define ORVEL_REQUIRE_PRIVATE_SESSION()                                                            \
    do {                                                                                           \
        if (auto missing = ::orvel::testing::privateSessionMissing(); !missing.empty()) {          \
            GTEST_SKIP() << missing;                                                               \
        }                                                                                          \
    } while (false)

} // namespace orvel::testing
