#include "platform/linux/atspi/WindowRaising.hpp"

#include "platform/linux/atspi/AtspiCalls.hpp"
#include "platform/linux/atspi/AtspiProtocol.hpp"
#include "platform/linux/atspi/AttributeMapping.hpp"
#include "platform/linux/atspi/CallBatch.hpp"
#include "platform/linux/atspi/ElementReader.hpp"
#include "platform/linux/atspi/WindowMatching.hpp"

namespace orvel::linuxdesktop {

namespace {

namespace ax = platform::ax;
using namespace std::chrono_literals;

// Long enough for a window manager to restack and hand over the focus on a busy desktop; the
// caller goes on waiting for the application to report the window focused.
constexpr auto raiseBound = 500ms;

bool isWindowRole(std::uint32_t role) {
    return role == atspi::role::frame || role == atspi::role::dialog ||
           role == atspi::role::window || role == atspi::role::alert ||
           role == atspi::role::fileChooser || role == atspi::role::colorChooser ||
           role == atspi::role::fontChooser;
}

} // namespace

std::int32_t raisableWindow(BusConnection& bus, const ObjectRef& object, Microseconds timeout,
                            bool& raisable) {
    ObjectFacts facts;
    CallBatch batch(bus);
    addFactCalls(batch, object, timeout, facts);
    batch.wait();
    if (std::int32_t status = factsStatus(facts); status != ax::success) {
        return status;
    }
    raisable = facts.role.ok() && isWindowRole(facts.role.value) && facts.isTopLevel(object);
    return ax::success;
}

std::int32_t raiseWindow(BusConnection& bus, const ObjectRef& object, std::int32_t pid,
                         ScreenWindows& screen, Microseconds timeout) {
    bool raisable = false;
    if (std::int32_t status = raisableWindow(bus, object, timeout, raisable);
        status != ax::success) {
        return status;
    }
    if (!raisable) {
        return ax::actionUnsupported;
    }
    Answer<Extents> extents{ax::cannotComplete, {}};
    Answer<std::string> name{ax::cannotComplete, {}};
    CallBatch batch(bus);
    batch.add(calls::screenExtents(bus, object), timeout,
              [&extents](Reply reply) { extents = readExtents(reply); });
    batch.add(calls::name(bus, object), timeout,
              [&name](Reply reply) { name = readVariantString(reply); });
    batch.wait();
    if (!extents.ok()) {
        return extents.status;
    }
    const Rect frame{
        {static_cast<double>(extents.value.x), static_cast<double>(extents.value.y)},
        {static_cast<double>(extents.value.width), static_cast<double>(extents.value.height)}};
    const auto windows = screen.windowsOf(pid);
    std::vector<WindowCandidate> candidates;
    for (const auto& window : windows) {
        candidates.push_back(WindowCandidate{window.frame, window.title});
    }
    auto index = matchingWindow(candidates, frame, name.ok() ? name.value : "");
    if (!index) {
        return ax::cannotComplete;
    }
    return screen.raise(windows[*index].windowId, raiseBound) ? ax::success : ax::cannotComplete;
}

} // namespace orvel::linuxdesktop
