// Matching a window-server window to one of an application's accessibility windows by
// geometry, with the title only to confirm or to break ties; refusing instead of guessing
// when windows cannot be told apart. Titles are compared under canonical equivalence: the window
// server and the application may hand over the same title in different normalisation forms.
// Pure; thread-safe.
#pragma once

#include "OrvelControlCore/Geometry.hpp"

#include <optional>
#include <string>
#include <vector>

namespace orvel {

struct WindowCandidate {
    std::optional<Rect> frame; // absent when position or size cannot be read
    std::string title;         // "" when it cannot be read

    // Equal frames (or both absent) and canonically equivalent titles.
    bool operator==(const WindowCandidate& other) const;
};

struct WindowResolution {
    enum class Kind { unique, ambiguous, contradicted, none };

    Kind kind = Kind::none;
    std::vector<int> indices; // unique: one; ambiguous: those not told apart; contradicted: one
    std::string title;        // contradicted: the candidate's title

    static WindowResolution unique(int index) { return {Kind::unique, {index}, ""}; }
    static WindowResolution ambiguous(std::vector<int> indices) {
        return {Kind::ambiguous, std::move(indices), ""};
    }
    static WindowResolution contradicted(int index, std::string title) {
        return {Kind::contradicted, {index}, std::move(title)};
    }
    static WindowResolution none() { return {}; }

    bool operator==(const WindowResolution&) const = default;
};

namespace WindowMatch {

inline constexpr double tolerance = 6.0;

// The sum of the differences of x, y, absolute width and absolute height.
double distance(const Rect& a, const Rect& b);

WindowResolution resolve(const Rect& frame, const std::string& title,
                         const std::vector<WindowCandidate>& candidates);

// Each of the four differences on its own at most `tolerance`.
bool stillMatches(const Rect& a, const Rect& b, double tolerance);

} // namespace WindowMatch

} // namespace orvel
