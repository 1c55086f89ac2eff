// Which accessibility element a handle denotes: an application (by pid), the system-wide
// element, or one element of a window tree (by its node number, never reused, so a handle to a
// removed element stays invalid even when an element with the same id is added later).
// Plain value.
#pragma once

#include <cstdint>

namespace orvel::sim {

struct ElementTarget {
    enum class Kind { application, systemWide, element };

    Kind kind = Kind::element;
    std::int32_t pid = 0;
    std::uint64_t node = 0;

    bool operator==(const ElementTarget&) const = default;

    static ElementTarget application(std::int32_t pid) { return {Kind::application, pid, 0}; }
    static ElementTarget systemWide() { return {Kind::systemWide, 0, 0}; }
    static ElementTarget element(std::int32_t pid, std::uint64_t node) {
        return {Kind::element, pid, node};
    }
};

} // namespace orvel::sim
