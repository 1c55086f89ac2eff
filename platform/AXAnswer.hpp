// The answer of an accessibility call: the status code (0 success; the codes below are the
// ones the program tells apart) and, on success, the value.
#pragma once

#include <cstdint>

namespace orvel::platform {

namespace ax {
inline constexpr std::int32_t success = 0;
inline constexpr std::int32_t invalidElement = -25202;
inline constexpr std::int32_t cannotComplete = -25204;
inline constexpr std::int32_t attributeUnsupported = -25205;
inline constexpr std::int32_t actionUnsupported = -25206;
inline constexpr std::int32_t apiDisabled = -25211;
} // namespace ax

template <class T> struct AXAnswer {
    std::int32_t status = ax::cannotComplete;
    T value{};

    bool ok() const { return status == ax::success; }
};

} // namespace orvel::platform
