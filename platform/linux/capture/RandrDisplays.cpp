#include "platform/linux/capture/RandrDisplays.hpp"

#include <X11/extensions/Xrandr.h>

#include <algorithm>

namespace orvel::linuxdesktop {

namespace {

// Not a valid atom, so it never collides with a monitor's name.
constexpr std::uint32_t wholeScreenId = 1;

MonitorArea wholeScreen(const X11Connection& x) {
    Screen* screen = DefaultScreenOfDisplay(x.display());
    return MonitorArea{wholeScreenId, Rect{{0, 0},
                                           {static_cast<double>(WidthOfScreen(screen)),
                                            static_cast<double>(HeightOfScreen(screen))}}};
}

} // namespace

std::vector<MonitorArea> monitors(const X11Connection& x) {
    int event = 0;
    int error = 0;
    std::vector<MonitorArea> result;
    if (XRRQueryExtension(x.display(), &event, &error) != 0) {
        int count = 0;
        XRRMonitorInfo* list = XRRGetMonitors(x.display(), x.root(), True, &count);
        for (int i = 0; i < count && list != nullptr; ++i) {
            const auto& monitor = list[i];
            MonitorArea area{
                static_cast<std::uint32_t>(monitor.name),
                Rect{{static_cast<double>(monitor.x), static_cast<double>(monitor.y)},
                     {static_cast<double>(monitor.width), static_cast<double>(monitor.height)}}};
            auto at = monitor.primary ? result.begin() : result.end();
            result.insert(at, area);
        }
        if (list != nullptr) {
            XRRFreeMonitors(list);
        }
    }
    result.erase(std::remove_if(result.begin(), result.end(),
                                [](const MonitorArea& area) {
                                    return area.id == 0 || area.frame.size.width <= 0;
                                }),
                 result.end());
    if (result.empty()) {
        result.push_back(wholeScreen(x));
    }
    return result;
}

} // namespace orvel::linuxdesktop
