#include "platform/linux/atspi/PointHitTest.hpp"

#include "platform/linux/atspi/AtspiCalls.hpp"
#include "platform/linux/atspi/ObjectFacts.hpp"
#include "platform/linux/atspi/TopLevelWindows.hpp"

#include <cmath>

namespace orvel::linuxdesktop {

namespace {

namespace ax = platform::ax;

// Deeper than any interface a person operates; a loop in another application's tree ends here.
constexpr int mostLevels = 64;

std::int32_t pixel(double coordinate) {
    return static_cast<std::int32_t>(std::floor(coordinate));
}

} // namespace

Answer<ObjectRef> deepestAtPoint(BusConnection& bus, const ObjectRef& start, Point point,
                                 Microseconds timeout) {
    ObjectRef current = start;
    for (int level = 0; level < mostLevels; ++level) {
        auto child = readObjectRef(bus.call(
            calls::accessibleAtPoint(bus, current, pixel(point.x), pixel(point.y)), timeout));
        if (child.status == ax::cannotComplete || child.status == ax::invalidElement) {
            return {child.status, {}};
        }
        // An object without the component interface, or with no child at the point, is the
        // deepest there is.
        if (!child.ok() || isNullRef(child.value) || child.value == current) {
            return {ax::success, std::move(current)};
        }
        current = std::move(child.value);
    }
    return {ax::success, std::move(current)};
}

Answer<ObjectRef> elementAtPoint(BusConnection& bus, const std::string& application,
                                 const ScreenWindow& window, Point point, Microseconds timeout) {
    auto windows = showingWindows(bus, application, timeout);
    if (!windows.ok()) {
        return {windows.status, {}};
    }
    auto index = matchingWindow(candidatesOf(windows.value), window.frame, window.title);
    if (!index) {
        return {ax::cannotComplete, {}};
    }
    return deepestAtPoint(bus, windows.value[*index].ref, point, timeout);
}

} // namespace orvel::linuxdesktop
