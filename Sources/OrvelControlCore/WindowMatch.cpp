#include "OrvelControlCore/WindowMatch.hpp"

#include "OrvelControlCore/Text.hpp"

#include <cmath>

namespace orvel {

bool WindowCandidate::operator==(const WindowCandidate& other) const {
    return frame == other.frame && text::canonicallyEqual(title, other.title);
}

namespace WindowMatch {

double distance(const Rect& a, const Rect& b) {
    return std::fabs(a.origin.x - b.origin.x) + std::fabs(a.origin.y - b.origin.y) +
           std::fabs(std::fabs(a.size.width) - std::fabs(b.size.width)) +
           std::fabs(std::fabs(a.size.height) - std::fabs(b.size.height));
}

WindowResolution resolve(const Rect& frame, const std::string& title,
                         const std::vector<WindowCandidate>& candidates) {
    std::vector<int> near;
    for (std::size_t index = 0; index < candidates.size(); ++index) {
        const auto& candidate = candidates[index];
        // A distance that is not a number fails the comparison and is not near.
        if (candidate.frame && distance(*candidate.frame, frame) <= tolerance) {
            near.push_back(static_cast<int>(index));
        }
    }
    if (near.empty()) {
        return WindowResolution::none();
    }
    if (near.size() == 1) {
        const auto& candidate = candidates[static_cast<std::size_t>(near[0])];
        if (!title.empty() && !candidate.title.empty() &&
            !text::canonicallyEqual(candidate.title, title)) {
            return WindowResolution::contradicted(near[0], candidate.title);
        }
        return WindowResolution::unique(near[0]);
    }
    if (title.empty()) {
        return WindowResolution::ambiguous(near);
    }
    std::vector<int> titled;
    for (int index : near) {
        if (text::canonicallyEqual(candidates[static_cast<std::size_t>(index)].title, title)) {
            titled.push_back(index);
        }
    }
    if (titled.size() == 1) {
        return WindowResolution::unique(titled[0]);
    }
    return WindowResolution::ambiguous(titled.empty() ? near : titled);
}

bool stillMatches(const Rect& a, const Rect& b, double tolerance) {
    return std::fabs(a.origin.x - b.origin.x) <= tolerance &&
           std::fabs(a.origin.y - b.origin.y) <= tolerance &&
           std::fabs(a.size.width - b.size.width) <= tolerance &&
           std::fabs(a.size.height - b.size.height) <= tolerance;
}

} // namespace WindowMatch

} // namespace orvel
