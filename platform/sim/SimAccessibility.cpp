#include "platform/sim/SimAccessibility.hpp"

#include "platform/sim/AXValues.hpp"
#include "platform/sim/ActionRunner.hpp"
#include "platform/sim/Durations.hpp"
#include "platform/sim/ElementAttributes.hpp"
#include "platform/sim/HitTesting.hpp"

#include <algorithm>
#include <cmath>

namespace orvel::sim {

namespace ax = platform::ax;

namespace {

std::vector<Action> effectsOf(const LiveElement& element, const std::string& name) {
    auto found = element.model.on.find(name);
    return found == element.model.on.end() ? std::vector<Action>{} : found->second;
}

std::int32_t setValueOf(DesktopState& state, const ElementTarget& target,
                        const std::string& attribute, const std::string& value, Outbox& outbox) {
    if (target.kind != ElementTarget::Kind::element) {
        return state.world.app(target.pid) || target.kind == ElementTarget::Kind::systemWide
                   ? ax::attributeUnsupported
                   : ax::invalidElement;
    }
    const auto* element = state.world.element(target.node);
    if (!element) {
        return ax::invalidElement;
    }
    if (auto error = element->model.actionErrors.find("setValue");
        error != element->model.actionErrors.end()) {
        return error->second;
    }
    if (!element->model.settable.contains(attribute)) {
        return ax::attributeUnsupported;
    }
    if (attribute != "AXValue") {
        return axIllegalArgument;
    }
    const auto effects = effectsOf(*element, "setValue");
    state.world.storeValue(target.node, value);
    runActions(state, effects, outbox);
    return ax::success;
}

std::int32_t perform(DesktopState& state, const ElementTarget& target, const std::string& action,
                     Outbox& outbox) {
    if (target.kind != ElementTarget::Kind::element) {
        return state.world.app(target.pid) || target.kind == ElementTarget::Kind::systemWide
                   ? ax::actionUnsupported
                   : ax::invalidElement;
    }
    const auto* element = state.world.element(target.node);
    if (!element) {
        return ax::invalidElement;
    }
    if (auto error = element->model.actionErrors.find(action);
        error != element->model.actionErrors.end()) {
        return error->second;
    }
    const auto& actions = element->model.actions;
    // Every window raises, listed or not.
    const bool raisesWindow = action == "AXRaise" && !element->parent;
    if (!raisesWindow && std::find(actions.begin(), actions.end(), action) == actions.end()) {
        return ax::actionUnsupported;
    }
    const auto effects = effectsOf(*element, action);
    if (raisesWindow) {
        state.world.raiseWindow(element->windowId);
    }
    runActions(state, effects, outbox);
    return ax::success;
}

} // namespace

const ElementRef* SimAccessibility::refOf(const platform::ElementHandle& handle) const {
    return sim::refOf(handle, core_.identity());
}

std::int32_t SimAccessibility::badHandle(const platform::ElementHandle& handle) {
    return handle.isNull() ? axIllegalArgument : ax::invalidElement;
}

SimAccessibility::Route SimAccessibility::routeTo(const ElementTarget& target) const {
    return core_.read([&](const DesktopState& state) -> Route {
        const auto& world = state.world;
        if (!world.permissions.accessibility) {
            return {ax::apiDisabled, 0};
        }
        if (target.kind == ElementTarget::Kind::systemWide) {
            return {};
        }
        const auto* app = world.app(target.pid);
        if (!app) {
            return {ax::invalidElement, 0};
        }
        if (target.kind == ElementTarget::Kind::application) {
            return {ax::success, app->latency};
        }
        const auto* element = world.element(target.node);
        return element ? Route{ax::success, app->latency + element->model.latency}
                       : Route{ax::invalidElement, app->latency};
    });
}

std::int32_t SimAccessibility::travel(const Route& route, const ElementRef& ref,
                                      platform::CallTimeout callTimeout) {
    double timeout = ref.timeoutSeconds();
    if (callTimeout) {
        // A NaN bound is no time at all, like a negative one.
        timeout = std::min(timeout, *callTimeout > 0 ? *callTimeout : 0.0);
    }
    if (route.latency > timeout) {
        sleepSeconds(timeout);
        return ax::cannotComplete;
    }
    sleepSeconds(route.latency);
    return route.refusal;
}

std::int32_t SimAccessibility::sendChange(const ElementRef& ref, Mutation mutation) {
    const auto route = routeTo(ref.target);
    if (route.refusal == ax::success && route.latency > ref.timeoutSeconds()) {
        core_.changeLater(route.latency, [mutation](DesktopState& state, Outbox& outbox) {
            mutation(state, outbox);
        });
    }
    if (auto status = travel(route, ref); status != ax::success) {
        return status;
    }
    return core_.change(mutation);
}

template <class Value, class Read>
platform::AXAnswer<Value> SimAccessibility::ask(const platform::ElementHandle& handle,
                                                platform::CallTimeout timeout, Read read) {
    const auto* ref = refOf(handle);
    if (!ref) {
        return {badHandle(handle), {}};
    }
    if (auto status = travel(routeTo(ref->target), *ref, timeout); status != ax::success) {
        return {status, {}};
    }
    return core_.read([&](const DesktopState& state) { return read(state, *ref); });
}

bool SimAccessibility::isProcessTrusted(bool prompt) {
    return core_.change([prompt](DesktopState& state, Outbox&) {
        auto& permissions = state.world.permissions;
        const bool trusted = permissions.accessibility;
        if (prompt && state.world.grantOnRequest) {
            permissions.accessibility = true;
        }
        return trusted;
    });
}

platform::ElementHandle SimAccessibility::createApplication(std::int32_t pid) {
    return makeHandle(core_.identity(), ElementTarget::application(pid));
}

platform::ElementHandle SimAccessibility::createSystemWide() {
    return makeHandle(core_.identity(), ElementTarget::systemWide());
}

std::int32_t SimAccessibility::setMessagingTimeout(const platform::ElementHandle& element,
                                                   float seconds) {
    const auto* ref = refOf(element);
    if (!ref) {
        return badHandle(element);
    }
    if (std::isnan(seconds) || seconds < 0) {
        return axIllegalArgument;
    }
    if (seconds == 0) {
        ref->own->reset();
    } else {
        ref->own->set(seconds);
    }
    return ax::success;
}

platform::AXAnswer<platform::AXValue>
SimAccessibility::copyAttributeValue(const platform::ElementHandle& element,
                                     const std::string& attribute, platform::CallTimeout timeout) {
    return ask<platform::AXValue>(
        element, timeout, [&](const DesktopState& state, const ElementRef& ref) {
            auto answer = readAttribute(state.world, ref.target, attribute);
            if (answer.status != ax::success) {
                return platform::AXAnswer<platform::AXValue>{answer.status, {}};
            }
            const HandleMaker maker{core_.identity(), &ref};
            return platform::AXAnswer<platform::AXValue>{
                ax::success, toAXValue(state.world, answer.value, maker)};
        });
}

platform::AXAnswer<std::vector<std::string>>
SimAccessibility::copyActionNames(const platform::ElementHandle& element,
                                  platform::CallTimeout timeout) {
    using Answer = platform::AXAnswer<std::vector<std::string>>;
    return ask<std::vector<std::string>>(
        element, timeout, [](const DesktopState& state, const ElementRef& ref) {
            if (ref.target.kind != ElementTarget::Kind::element) {
                return Answer{ax::success, {}};
            }
            const auto* live = state.world.element(ref.target.node);
            return live ? Answer{ax::success, live->model.actions} : Answer{ax::invalidElement, {}};
        });
}

platform::AXAnswer<bool>
SimAccessibility::isAttributeSettable(const platform::ElementHandle& element,
                                      const std::string& attribute, platform::CallTimeout timeout) {
    using Answer = platform::AXAnswer<bool>;
    return ask<bool>(element, timeout, [&](const DesktopState& state, const ElementRef& ref) {
        if (ref.target.kind != ElementTarget::Kind::element) {
            return Answer{ax::success, false};
        }
        const auto* live = state.world.element(ref.target.node);
        return live ? Answer{ax::success, live->model.settable.contains(attribute)}
                    : Answer{ax::invalidElement, false};
    });
}

std::int32_t SimAccessibility::setAttributeValue(const platform::ElementHandle& element,
                                                 const std::string& attribute,
                                                 const std::string& value) {
    const auto* ref = refOf(element);
    if (!ref) {
        return badHandle(element);
    }
    return sendChange(
        *ref, [target = ref->target, attribute, value](DesktopState& state, Outbox& outbox) {
            return setValueOf(state, target, attribute, value, outbox);
        });
}

std::int32_t SimAccessibility::performAction(const platform::ElementHandle& element,
                                             const std::string& action) {
    const auto* ref = refOf(element);
    if (!ref) {
        return badHandle(element);
    }
    return sendChange(*ref, [target = ref->target, action](DesktopState& state, Outbox& outbox) {
        return perform(state, target, action, outbox);
    });
}

platform::AXAnswer<platform::ElementHandle>
SimAccessibility::copyElementAtPosition(const platform::ElementHandle& systemWide, float x,
                                        float y) {
    using Answer = platform::AXAnswer<platform::ElementHandle>;
    const auto* ref = refOf(systemWide);
    if (!ref) {
        return {badHandle(systemWide), {}};
    }
    if (ref->target.kind == ElementTarget::Kind::element) {
        return {axIllegalArgument, {}};
    }
    const Point point{x, y};
    const auto scope = ref->target.kind == ElementTarget::Kind::application
                           ? std::optional<std::int32_t>(ref->target.pid)
                           : std::nullopt;
    const auto hit = [point, scope](const World& world) -> const LiveElement* {
        const auto* window = windowAt(world, point, scope);
        return window ? deepestElementAt(world, *window, point) : nullptr;
    };
    const auto route = core_.read([&](const DesktopState& state) -> Route {
        if (!state.world.permissions.accessibility) {
            return {ax::apiDisabled, 0};
        }
        const auto* element = hit(state.world);
        if (!element) {
            return {ax::cannotComplete, 0};
        }
        const auto* app = state.world.app(element->pid);
        return {ax::success, (app ? app->latency : 0) + element->model.latency};
    });
    if (auto status = travel(route, *ref); status != ax::success) {
        return {status, {}};
    }
    return core_.read([&](const DesktopState& state) -> Answer {
        const auto* element = hit(state.world);
        if (!element) {
            return {ax::cannotComplete, {}};
        }
        return {ax::success, makeHandle(core_.identity(),
                                        ElementTarget::element(element->pid, element->node), ref)};
    });
}

platform::AXAnswer<std::int32_t> SimAccessibility::getPid(const platform::ElementHandle& element) {
    const auto* ref = refOf(element);
    if (!ref) {
        return {badHandle(element), 0};
    }
    if (ref->target.kind == ElementTarget::Kind::systemWide) {
        return {axIllegalArgument, 0};
    }
    return {ax::success, ref->target.pid};
}

bool SimAccessibility::equal(const platform::ElementHandle& a, const platform::ElementHandle& b) {
    const auto* first = refOf(a);
    const auto* second = refOf(b);
    return first && second && first->target == second->target;
}

} // namespace orvel::sim
