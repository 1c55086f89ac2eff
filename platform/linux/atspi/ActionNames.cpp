#include "platform/linux/atspi/ActionNames.hpp"

#include <algorithm>
#include <array>
#include <string_view>

namespace orvel::linuxdesktop {

namespace {

using namespace std::string_view_literals;

constexpr std::array pressNames{"click"sv, "activate"sv, "toggle"sv, "press"sv};
constexpr std::string_view press = "AXPress";

bool isPressName(std::string_view name) {
    return std::find(pressNames.begin(), pressNames.end(), name) != pressNames.end();
}

std::optional<int> pressIndex(const std::vector<std::string>& names) {
    for (std::string_view candidate : pressNames) {
        auto found = std::find(names.begin(), names.end(), candidate);
        if (found != names.end()) {
            return static_cast<int>(found - names.begin());
        }
    }
    return std::nullopt;
}

} // namespace

std::vector<std::string> offeredActionNames(const std::vector<std::string>& names) {
    std::vector<std::string> offered;
    if (pressIndex(names)) {
        offered.emplace_back(press);
    }
    for (const auto& name : names) {
        bool repeated = std::find(offered.begin(), offered.end(), name) != offered.end();
        if (!name.empty() && !isPressName(name) && name != press && !repeated) {
            offered.push_back(name);
        }
    }
    return offered;
}

std::optional<int> actionIndexFor(const std::vector<std::string>& names,
                                  const std::string& offered) {
    if (offered == press) {
        return pressIndex(names);
    }
    if (offered.empty() || isPressName(offered)) {
        return std::nullopt;
    }
    auto found = std::find(names.begin(), names.end(), offered);
    if (found == names.end()) {
        return std::nullopt;
    }
    return static_cast<int>(found - names.begin());
}

} // namespace orvel::linuxdesktop
