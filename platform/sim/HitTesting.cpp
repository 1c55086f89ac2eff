#include "platform/sim/HitTesting.hpp"

namespace orvel::sim {

const LiveWindow* windowAt(const World& world, Point point, std::optional<std::int32_t> pid) {
    for (const auto& window : world.windows()) {
        if (pid && window.pid != *pid) {
            continue;
        }
        if (world.isOnScreen(window) && window.frame.contains(point)) {
            return &window;
        }
    }
    return nullptr;
}

const LiveElement* deepestElementAt(const World& world, const LiveWindow& window, Point point) {
    const auto* current = world.element(window.root);
    while (current) {
        const LiveElement* deeper = nullptr;
        for (auto child = current->children.rbegin(); child != current->children.rend() && !deeper;
             ++child) {
            const auto* candidate = world.element(*child);
            if (candidate && candidate->model.frame && candidate->model.frame->contains(point)) {
                deeper = candidate;
            }
        }
        if (!deeper) {
            return current;
        }
        current = deeper;
    }
    return nullptr;
}

} // namespace orvel::sim
