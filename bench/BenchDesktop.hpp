// Simulated desktops for the benchmarks: one window with a given number of elements, no
// latency, so that what is measured is the program's own cost.
#pragma once

#include "OrvelControlCore/Json.hpp"

#include <algorithm>
#include <string>

namespace orvel::bench {

// A window 101 of app 501 whose tree has `nodes` elements in all (the window included): a
// button "e2" that changes the label "e3" when pressed, then groups of up to 24 texts (no
// element has more children than an observation takes).
inline std::string desktopWithNodes(int nodes, double width = 1200, double height = 900) {
    auto element = [](const std::string& id, const std::string& role, int index) {
        double x = 10 + (index % 20) * 55;
        double y = 40 + (index / 20) * 28;
        return Json{{"id", id},
                    {"role", role},
                    {"title", "Element " + std::to_string(index)},
                    {"value", "Verdi " + std::to_string(index)},
                    {"frame", {{"x", x}, {"y", y}, {"width", 50}, {"height", 24}}}};
    };
    Json button = element("button", "AXButton", 1);
    button["actions"] = {"AXPress"};
    button["on"] = {
        {"AXPress",
         {{{"set", {{"element", "label"}, {"attribute", "AXValue"}, {"value", "Trykket"}}}}}}};
    Json children = Json::array({button, element("label", "AXStaticText", 2)});
    int index = 3;
    int remaining = nodes - 3;
    while (remaining > 0) {
        Json group = element("group" + std::to_string(index), "AXGroup", index);
        ++index;
        int leaves = std::min(24, remaining - 1);
        for (int leaf = 0; leaf < leaves; ++leaf, ++index) {
            group["children"].push_back(
                element("text" + std::to_string(index), "AXStaticText", index));
        }
        children.push_back(group);
        remaining -= leaves + 1;
    }
    Json frame{{"x", 0}, {"y", 30}, {"width", width}, {"height", height}};
    Json window{{"windowId", 101},
                {"pid", 501},
                {"title", "Benk"},
                {"frame", frame},
                {"tree",
                 {{"id", "w"},
                  {"role", "AXWindow"},
                  {"title", "Benk"},
                  {"frame", frame},
                  {"children", children}}}};
    return Json{{"apps", {{{"pid", 501}, {"bundleId", "com.example.bench"}, {"name", "Benk"}}}},
                {"windows", {window}}}
        .dump();
}

} // namespace orvel::bench
