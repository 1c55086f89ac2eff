#include "Targets.hpp"

#include "OrvelControlCore/Limits.hpp"
#include "OrvelControlCore/Payload.hpp"
#include "OrvelControlCore/Text.hpp"

#include <algorithm>
#include <cmath>
#include <limits>

namespace orvel {

namespace {

// A number taken for a field only when its value is exactly representable in the field's
// type; booleans are not numbers, so a hostile `true` never becomes pid 1.
template <class T> std::optional<T> exactInteger(const Json* value) {
    if (value == nullptr || !value->is_number() || value->is_boolean()) {
        return std::nullopt;
    }
    constexpr auto low = std::numeric_limits<T>::min();
    constexpr auto high = std::numeric_limits<T>::max();
    if (value->is_number_unsigned()) {
        auto number = value->get<std::uint64_t>();
        return number <= static_cast<std::uint64_t>(high) ? std::optional<T>(static_cast<T>(number))
                                                          : std::nullopt;
    }
    if (value->is_number_integer()) {
        auto number = value->get<std::int64_t>();
        if (number < static_cast<std::int64_t>(low) ||
            (number > 0 && static_cast<std::uint64_t>(number) > high)) {
            return std::nullopt;
        }
        return static_cast<T>(number);
    }
    double number = value->get<double>();
    // The bounds are compared as doubles that are exact: -2^63 and 2^63 for 64-bit types.
    if (!std::isfinite(number) || std::trunc(number) != number ||
        number < static_cast<double>(low) ||
        number >= std::ldexp(static_cast<double>(high / 2 + 1), 1)) {
        return std::nullopt;
    }
    return static_cast<T>(number);
}

std::optional<double> finiteNumber(const Json* value) {
    if (value == nullptr || !value->is_number() || value->is_boolean()) {
        return std::nullopt;
    }
    double number = value->get<double>();
    return std::isfinite(number) ? std::optional<double>(number) : std::nullopt;
}

// A boolean, or a number object holding exactly 0 or 1, as the platform's number objects
// bridge to booleans; anything else is no value.
std::optional<bool> booleanValue(const Json* value) {
    if (value == nullptr) {
        return std::nullopt;
    }
    if (value->is_boolean()) {
        return value->get<bool>();
    }
    auto number = finiteNumber(value);
    if (number && (*number == 0 || *number == 1)) {
        return *number == 1;
    }
    return std::nullopt;
}

const Json* member(const Json& dictionary, const char* key) {
    auto found = dictionary.find(key);
    return found == dictionary.end() ? nullptr : &*found;
}

// CGRect(dictionaryRepresentation:): the four numbers X, Y, Width and Height.
std::optional<Rect> bounds(const Json* value) {
    if (value == nullptr || !value->is_object()) {
        return std::nullopt;
    }
    auto x = finiteNumber(member(*value, "X"));
    auto y = finiteNumber(member(*value, "Y"));
    auto width = finiteNumber(member(*value, "Width"));
    auto height = finiteNumber(member(*value, "Height"));
    if (!x || !y || !width || !height) {
        return std::nullopt;
    }
    return Rect{{*x, *y}, {*width, *height}};
}

std::optional<WindowTarget> parseWindow(const Json& dictionary) {
    if (!dictionary.is_object()) {
        return std::nullopt;
    }
    auto pid = exactInteger<std::int32_t>(member(dictionary, "kCGWindowOwnerPID"));
    auto number = exactInteger<std::uint32_t>(member(dictionary, "kCGWindowNumber"));
    auto frame = bounds(member(dictionary, "kCGWindowBounds"));
    if (!pid || !number || !frame) {
        return std::nullopt;
    }
    WindowTarget window;
    window.windowId = *number;
    window.pid = *pid;
    window.frame = *frame;
    const Json* name = member(dictionary, "kCGWindowName");
    window.title =
        name != nullptr && name->is_string() ? text::validUtf8(name->get<std::string>()) : "";
    window.layer = exactInteger<std::int64_t>(member(dictionary, "kCGWindowLayer")).value_or(0);
    window.onScreen = booleanValue(member(dictionary, "kCGWindowIsOnscreen")).value_or(false);
    return window;
}

AppTarget appTarget(const platform::RunningApplication& application) {
    AppTarget app;
    app.pid = application.processIdentifier;
    // Another application's texts need not be valid UTF-8; repaired here, before they reach a
    // comparison, the target policy or a response.
    app.bundleId = text::validUtf8(application.bundleIdentifier.value_or(""));
    app.name = text::validUtf8(application.localizedName.value_or(""));
    app.active = application.isActive;
    app.hidden = application.isHidden;
    app.launchedAt = application.launchDate ? std::round(*application.launchDate) : 0;
    return app;
}

} // namespace

Targets::Targets(platform::Workspace& workspace, platform::WindowServer& windowServer,
                 platform::MainLoop& mainLoop, platform::ProcessInfo& process,
                 const TargetPolicy& policy)
    : workspace_(workspace), windowServer_(windowServer), mainLoop_(mainLoop), process_(process),
      policy_(policy) {}

std::vector<AppTarget> Targets::apps() {
    return mainLoop_.runSync([this] {
        std::vector<AppTarget> apps;
        for (const auto& application : workspace_.runningApplications()) {
            if (application.activationPolicy == platform::ActivationPolicy::regular) {
                apps.push_back(appTarget(application));
            }
        }
        std::stable_sort(apps.begin(), apps.end(), [this](const AppTarget& a, const AppTarget& b) {
            return workspace_.localizedCaseInsensitiveCompare(a.name, b.name) < 0;
        });
        return apps;
    });
}

std::optional<AppTarget> Targets::app(std::int32_t pid) {
    return mainLoop_.runSync([this, pid]() -> std::optional<AppTarget> {
        auto application = workspace_.runningApplication(pid);
        return application ? std::optional<AppTarget>(appTarget(*application)) : std::nullopt;
    });
}

std::optional<std::int32_t> Targets::frontmostPid() {
    return mainLoop_.runSync([this]() -> std::optional<std::int32_t> {
        auto application = workspace_.frontmostApplication();
        return application ? std::optional<std::int32_t>(application->processIdentifier)
                           : std::nullopt;
    });
}

std::vector<WindowTarget> Targets::windows(std::optional<std::int32_t> pid, bool onScreenOnly) {
    std::uint32_t options = platform::windowlist::excludeDesktopElements;
    if (onScreenOnly) {
        options |= platform::windowlist::onScreenOnly;
    }
    auto list = windowServer_.copyWindowInfo(options, platform::windowlist::nullWindow);
    std::vector<WindowTarget> windows;
    if (!list || !list->is_array()) {
        return windows;
    }
    for (const auto& dictionary : *list) {
        auto window = parseWindow(dictionary);
        if (window && (!pid || window->pid == *pid)) {
            windows.push_back(*window);
        }
    }
    return windows;
}

std::optional<WindowTarget> Targets::topmostWindow(Point point) {
    auto ownPid = process_.ownPid();
    for (const auto& window : windows(std::nullopt, true)) {
        if (window.pid == ownPid || !(window.frame.size.width > 0) ||
            !(window.frame.size.height > 0)) {
            continue;
        }
        if (window.frame.contains(point)) {
            return window;
        }
    }
    return std::nullopt;
}

Json Targets::appPayload(const AppTarget& app, int windowCount) const {
    auto denial = policy_.denial(app.bundleId, app.name, app.pid);
    return Json{
        {"pid", app.pid},
        {"bundleId", app.bundleId},
        {"name", app.name},
        {"active", app.active},
        {"hidden", app.hidden},
        {"launchedAt", app.launchedAt},
        {"windows", windowCount},
        {"allowed", !denial},
        {"denialReason", denial ? Json(*denial) : Json(nullptr)},
    };
}

Json Targets::windowPayload(const WindowTarget& window) {
    return Json{
        {"windowId", window.windowId},           {"pid", window.pid},
        {"title", truncated(window.title, 200)}, {"frame", rectPayload(window.frame)},
        {"onScreen", window.onScreen},           {"eligible", window.isEligible()},
    };
}

} // namespace orvel
