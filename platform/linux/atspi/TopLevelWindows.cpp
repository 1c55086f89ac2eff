#include "platform/linux/atspi/TopLevelWindows.hpp"

#include "platform/linux/atspi/AtspiCalls.hpp"
#include "platform/linux/atspi/AtspiProtocol.hpp"
#include "platform/linux/atspi/CallBatch.hpp"

namespace orvel::linuxdesktop {

namespace {

struct WindowReading {
    ObjectRef ref;
    Answer<Extents> extents{platform::ax::cannotComplete, {}};
    Answer<std::string> name{platform::ax::cannotComplete, {}};
    Answer<StateSet> states{platform::ax::cannotComplete, {}};
};

Rect frameOf(const Extents& extents) {
    return Rect{{static_cast<double>(extents.x), static_cast<double>(extents.y)},
                {static_cast<double>(extents.width), static_cast<double>(extents.height)}};
}

} // namespace

Answer<std::vector<AccessibleWindow>>
showingWindows(BusConnection& bus, const std::string& application, Microseconds timeout) {
    auto children = readObjectRefs(
        bus.call(calls::getChildren(bus, ObjectRef{application, atspi::rootPath}), timeout));
    if (!children.ok()) {
        return {children.status, {}};
    }
    std::vector<WindowReading> readings(children.value.size());
    CallBatch batch(bus);
    for (std::size_t index = 0; index < readings.size(); ++index) {
        auto& reading = readings[index];
        reading.ref = children.value[index];
        batch.add(calls::screenExtents(bus, reading.ref), timeout,
                  [&reading](Reply reply) { reading.extents = readExtents(reply); });
        batch.add(calls::name(bus, reading.ref), timeout,
                  [&reading](Reply reply) { reading.name = readVariantString(reply); });
        batch.add(calls::getState(bus, reading.ref), timeout,
                  [&reading](Reply reply) { reading.states = readStates(reply); });
    }
    batch.wait();
    std::vector<AccessibleWindow> windows;
    for (auto& reading : readings) {
        if (reading.extents.ok() && reading.states.ok() &&
            reading.states.value.has(atspi::state::showing) && reading.extents.value.width > 0 &&
            reading.extents.value.height > 0) {
            windows.push_back(AccessibleWindow{std::move(reading.ref),
                                               frameOf(reading.extents.value),
                                               reading.name.ok() ? reading.name.value : ""});
        }
    }
    return {platform::ax::success, std::move(windows)};
}

std::vector<WindowCandidate> candidatesOf(const std::vector<AccessibleWindow>& windows) {
    std::vector<WindowCandidate> candidates;
    candidates.reserve(windows.size());
    for (const auto& window : windows) {
        candidates.push_back(WindowCandidate{window.frame, window.title});
    }
    return candidates;
}

} // namespace orvel::linuxdesktop
