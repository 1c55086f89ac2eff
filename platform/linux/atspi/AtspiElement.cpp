#include "platform/linux/atspi/AtspiElement.hpp"

#include <memory>

namespace orvel::linuxdesktop {

platform::ElementHandle AtspiElement::object(ObjectRef ref, Microseconds timeout) {
    return platform::ElementHandle(
        std::make_shared<const AtspiElement>(Kind::object, std::move(ref), 0, timeout));
}

platform::ElementHandle AtspiElement::unresolved(std::int32_t status) {
    return platform::ElementHandle(std::make_shared<const AtspiElement>(
        Kind::unresolved, ObjectRef{}, status, Microseconds{}));
}

platform::ElementHandle AtspiElement::systemWide(Microseconds timeout) {
    return platform::ElementHandle(
        std::make_shared<const AtspiElement>(Kind::systemWide, ObjectRef{}, 0, timeout));
}

} // namespace orvel::linuxdesktop
