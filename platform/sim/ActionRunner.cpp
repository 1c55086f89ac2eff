#include "platform/sim/ActionRunner.hpp"

#include "platform/NotificationCenter.hpp"
#include "platform/sim/EventDispatch.hpp"
#include "platform/sim/EventKinds.hpp"
#include "platform/sim/Scenario.hpp"

#include <type_traits>

namespace orvel::sim {

namespace {

// Effects that cause input that causes effects stop here rather than recurse without end.
constexpr int maximumActionDepth = 16;

std::uint64_t nodeOf(const World& world, const std::string& id) {
    const auto* element = world.elementById(id);
    return element ? element->node : 0;
}

platform::Event userEvent(const World& world, std::uint32_t type) {
    platform::Event event;
    event.type = type;
    event.location = world.pointer.value_or(Point{0, 0});
    if (isMouseButtonDown(type) || isMouseButtonUp(type) || isMouseDragged(type)) {
        event.mouseButton = buttonOfMouseEvent(type);
    }
    if (isMouseButtonDown(type) || isMouseButtonUp(type)) {
        event.setIntegerValueField(platform::eventfield::mouseEventClickState, 1);
    }
    return event;
}

void notifyObservers(const DesktopState& state, bool locked, Outbox& outbox) {
    const std::string name =
        locked ? platform::notification::screenIsLocked : platform::notification::screenIsUnlocked;
    for (const auto& [observed, handler] : state.observers) {
        if (observed == name && handler) {
            outbox.mainLoopJobs.push_back(handler);
        }
    }
}

void changePermissions(World& world, const SetPermissions& change) {
    if (change.accessibility) {
        world.permissions.accessibility = *change.accessibility;
    }
    if (change.screenRecording) {
        world.permissions.screenRecording = *change.screenRecording;
    }
    if (change.inputMonitoring) {
        world.permissions.inputMonitoring = *change.inputMonitoring;
    }
}

void run(DesktopState& state, const Action& action, Outbox& outbox) {
    auto& world = state.world;
    std::visit(
        [&](const auto& step) {
            using Step = std::decay_t<decltype(step)>;
            if constexpr (std::is_same_v<Step, SetAttribute>) {
                world.setAttribute(nodeOf(world, step.element), step.attribute, step.value);
            } else if constexpr (std::is_same_v<Step, RemoveElement>) {
                world.removeElement(nodeOf(world, step.element));
            } else if constexpr (std::is_same_v<Step, AddElement>) {
                world.addElement(*step.element, nodeOf(world, step.parent));
            } else if constexpr (std::is_same_v<Step, FocusElement>) {
                world.focus(nodeOf(world, step.element));
            } else if constexpr (std::is_same_v<Step, CloseWindow>) {
                world.closeWindow(step.windowId);
            } else if constexpr (std::is_same_v<Step, MoveWindow>) {
                world.moveWindow(step.windowId, step.dx, step.dy);
            } else if constexpr (std::is_same_v<Step, ShowWindow>) {
                world.setOnScreen(step.windowId, step.onScreen);
            } else if constexpr (std::is_same_v<Step, SetSecureInput>) {
                world.secureInput = step.enabled;
            } else if constexpr (std::is_same_v<Step, BringToFront>) {
                world.bringForward(step.pid);
            } else if constexpr (std::is_same_v<Step, UserInput>) {
                dispatchEvent(state, userEvent(world, step.type), EventOrigin::user, outbox);
            } else if constexpr (std::is_same_v<Step, LockNotice>) {
                notifyObservers(state, step.locked, outbox);
            } else if constexpr (std::is_same_v<Step, ReplaceSession>) {
                world.session = step.session;
            } else if constexpr (std::is_same_v<Step, DisableTap>) {
                state.taps.disableAll(step.byTimeout ? platform::eventtype::tapDisabledByTimeout
                                                     : platform::eventtype::tapDisabledByUserInput,
                                      outbox);
            } else if constexpr (std::is_same_v<Step, SetPermissions>) {
                changePermissions(world, step);
            } else if constexpr (std::is_same_v<Step, QuitApp>) {
                world.quit(step.pid);
            }
        },
        action);
}

} // namespace

void runAction(DesktopState& state, const Action& action, Outbox& outbox) {
    if (state.actionDepth >= maximumActionDepth) {
        return;
    }
    ++state.actionDepth;
    run(state, action, outbox);
    --state.actionDepth;
}

void runActions(DesktopState& state, const std::vector<Action>& actions, Outbox& outbox) {
    for (const auto& action : actions) {
        runAction(state, action, outbox);
    }
}

} // namespace orvel::sim
