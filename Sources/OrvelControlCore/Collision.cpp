#include "OrvelControlCore/Collision.hpp"

#include <limits>
#include <random>

namespace orvel {

CollisionPolicy CollisionPolicy::random() {
    std::random_device source;
    std::uniform_int_distribution<std::int64_t> draw(1, std::numeric_limits<std::int64_t>::max());
    return CollisionPolicy{draw(source)};
}

CollisionVerdict CollisionPolicy::classify(std::int64_t userData, bool automationActive) const {
    if (userData == signature) {
        return CollisionVerdict::own;
    }
    return automationActive ? CollisionVerdict::userTakeover : CollisionVerdict::userIdle;
}

Json ListenerStatus::payload() const {
    return Json{
        {"active", active},
        {"reason", reason ? Json(*reason) : Json(nullptr)},
        {"lastUserInputAt", lastUserInputAt ? Json(*lastUserInputAt) : Json(nullptr)},
        {"takeovers", takeovers},
    };
}

} // namespace orvel
