#include "platform/linux/atspi/WindowMatching.hpp"

#include <cmath>

namespace orvel::linuxdesktop {

namespace {

// Rounding of fractional scales and a border counted on one side but not the other.
constexpr double edgeTolerance = 2;

bool sameFrame(const Rect& a, const Rect& b) {
    const Rect first = a.standardized();
    const Rect second = b.standardized();
    return std::abs(first.minX() - second.minX()) <= edgeTolerance &&
           std::abs(first.minY() - second.minY()) <= edgeTolerance &&
           std::abs(first.maxX() - second.maxX()) <= edgeTolerance &&
           std::abs(first.maxY() - second.maxY()) <= edgeTolerance;
}

std::optional<std::size_t> onlyOne(const std::vector<std::size_t>& indices) {
    return indices.size() == 1 ? std::optional<std::size_t>(indices.front()) : std::nullopt;
}

} // namespace

std::optional<std::size_t> matchingWindow(const std::vector<WindowCandidate>& candidates,
                                          const Rect& frame, const std::string& title) {
    std::vector<std::size_t> framed;
    for (std::size_t index = 0; index < candidates.size(); ++index) {
        if (sameFrame(candidates[index].frame, frame)) {
            framed.push_back(index);
        }
    }
    if (framed.size() <= 1) {
        return onlyOne(framed);
    }
    std::vector<std::size_t> titled;
    for (auto index : framed) {
        if (candidates[index].title == title) {
            titled.push_back(index);
        }
    }
    return onlyOne(titled);
}

} // namespace orvel::linuxdesktop
