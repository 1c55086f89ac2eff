#include "platform/sim/SimEventSystem.hpp"

#include "platform/sim/EventDispatch.hpp"

#include <future>
#include <memory>

namespace orvel::sim {

std::optional<platform::EventSourceRef> SimEventSystem::createSource(std::int32_t) {
    return core_.change([](DesktopState& state, Outbox&) {
        const auto id = state.nextSource++;
        state.sourceUserData[id] = 0;
        return platform::EventSourceRef{id};
    });
}

void SimEventSystem::setSourceUserData(platform::EventSourceRef source, std::int64_t userData) {
    core_.change([&](DesktopState& state, Outbox&) {
        if (auto found = state.sourceUserData.find(source.id);
            found != state.sourceUserData.end()) {
            found->second = userData;
        }
    });
}

bool SimEventSystem::refusesCreation(std::uint32_t type) {
    return core_.change([type](DesktopState& state, Outbox&) {
        auto found = state.uncreatableEvents.find(type);
        if (found == state.uncreatableEvents.end() || found->second <= 0) {
            return false;
        }
        --found->second;
        return true;
    });
}

platform::Event SimEventSystem::eventFrom(std::optional<platform::EventSourceRef> source,
                                          std::uint32_t type) {
    return core_.read([&](const DesktopState& state) {
        platform::Event event;
        event.type = type;
        event.location = state.world.pointer.value_or(Point{0, 0});
        std::int64_t userData = 0;
        if (source) {
            if (auto found = state.sourceUserData.find(source->id);
                found != state.sourceUserData.end()) {
                userData = found->second;
            }
        }
        event.setIntegerValueField(platform::eventfield::eventSourceUserData, userData);
        return event;
    });
}

std::optional<platform::Event>
SimEventSystem::createMouseEvent(std::optional<platform::EventSourceRef> source, std::uint32_t type,
                                 Point location, std::uint32_t button) {
    if (refusesCreation(type)) {
        return std::nullopt;
    }
    auto event = eventFrom(source, type);
    event.location = location;
    event.mouseButton = button;
    return event;
}

std::optional<platform::Event>
SimEventSystem::createKeyboardEvent(std::optional<platform::EventSourceRef> source,
                                    std::uint16_t keyCode, bool keyDown) {
    const auto type = keyDown ? platform::eventtype::keyDown : platform::eventtype::keyUp;
    if (refusesCreation(type)) {
        return std::nullopt;
    }
    auto event = eventFrom(source, type);
    event.keyCode = keyCode;
    return event;
}

std::optional<platform::Event>
SimEventSystem::createScrollWheelEvent(std::optional<platform::EventSourceRef> source,
                                       std::uint32_t, std::uint32_t wheelCount, std::int32_t wheel1,
                                       std::int32_t wheel2, std::int32_t wheel3) {
    if (refusesCreation(platform::eventtype::scrollWheel)) {
        return std::nullopt;
    }
    auto event = eventFrom(source, platform::eventtype::scrollWheel);
    event.wheel1 = wheel1;
    event.wheel2 = wheelCount >= 2 ? wheel2 : 0;
    event.wheel3 = wheelCount >= 3 ? wheel3 : 0;
    return event;
}

void SimEventSystem::post(const platform::Event& event, std::uint32_t) {
    core_.change([&event](DesktopState& state, Outbox& outbox) {
        dispatchEvent(state, event, EventOrigin::program, outbox);
    });
}

bool SimEventSystem::awaitTapDelivery(std::chrono::milliseconds bound) {
    if (core_.mainLoop().isMainThread()) {
        return false;
    }
    // The marker is queued under the desktop's lock, behind the deliveries of every event the
    // desktop has seen; it may run after the wait gave up, so it owns what it touches.
    auto reached = std::make_shared<std::promise<void>>();
    auto future = reached->get_future();
    core_.change([&reached](DesktopState&, Outbox& outbox) {
        outbox.mainLoopJobs.push_back([reached] { reached->set_value(); });
    });
    return future.wait_for(bound) == std::future_status::ready;
}

std::optional<Point> SimEventSystem::currentPointerLocation() {
    return core_.read([](const DesktopState& state) { return state.world.pointer; });
}

std::optional<platform::EventTapRef> SimEventSystem::createTap(std::uint32_t, std::uint32_t,
                                                               std::uint32_t,
                                                               std::uint64_t eventsOfInterest,
                                                               TapCallback callback) {
    return core_.change([&](DesktopState& state, Outbox&) -> std::optional<platform::EventTapRef> {
        const auto& world = state.world;
        if (!world.permissions.inputMonitoring || world.tap == TapMode::uncreatable) {
            return std::nullopt;
        }
        return state.taps.create(eventsOfInterest, std::move(callback),
                                 world.tap != TapMode::unenablable);
    });
}

std::optional<platform::RunLoopSourceRef>
SimEventSystem::createRunLoopSource(platform::EventTapRef tap) {
    return core_.change(
        [tap](DesktopState& state, Outbox&) { return state.taps.createSource(tap); });
}

void SimEventSystem::addSourceToMainRunLoop(platform::RunLoopSourceRef source) {
    core_.change([source](DesktopState& state, Outbox&) { state.taps.addSource(source); });
}

void SimEventSystem::removeSourceFromMainRunLoop(platform::RunLoopSourceRef source) {
    core_.change([source](DesktopState& state, Outbox&) { state.taps.removeSource(source); });
}

void SimEventSystem::enableTap(platform::EventTapRef tap, bool enable) {
    core_.change([tap, enable](DesktopState& state, Outbox&) { state.taps.enable(tap, enable); });
}

bool SimEventSystem::isTapEnabled(platform::EventTapRef tap) {
    return core_.read([tap](const DesktopState& state) { return state.taps.isEnabled(tap); });
}

bool SimEventSystem::isSecureEventInputEnabled() {
    return core_.read([](const DesktopState& state) { return state.world.secureInput; });
}

} // namespace orvel::sim
