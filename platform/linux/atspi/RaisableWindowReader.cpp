#include "platform/linux/atspi/RaisableWindowReader.hpp"

#include "platform/linux/atspi/AtspiElement.hpp"

#include <algorithm>

namespace orvel::linuxdesktop {

namespace {

bool sameObject(const platform::ElementHandle& a, const platform::ElementHandle& b) {
    const AtspiElement* first = AtspiElement::of(a);
    const AtspiElement* second = AtspiElement::of(b);
    return first != nullptr && second != nullptr && first->kind() == AtspiElement::Kind::object &&
           second->kind() == AtspiElement::Kind::object && first->ref() == second->ref();
}

} // namespace

std::vector<platform::ElementReads>
RaisableWindowReader::read(const std::vector<platform::ElementHandle>& elements,
                           const std::function<bool()>& stillWanted) {
    auto reads = inner_->read(elements, stillWanted);
    for (std::size_t index = 0; index < reads.size() && index < elements.size(); ++index) {
        auto& actions = reads[index].actions;
        if (!sameObject(elements[index], window_) || !actions.ok()) {
            continue;
        }
        if (std::find(actions.value.begin(), actions.value.end(), "AXRaise") ==
            actions.value.end()) {
            actions.value.push_back("AXRaise");
        }
    }
    return reads;
}

} // namespace orvel::linuxdesktop
