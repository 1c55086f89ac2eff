#include "platform/sim/AXValues.hpp"

#include <limits>

namespace orvel::sim {

namespace {

bool hasExactlyNumbers(const Json& value, const char* first, const char* second) {
    return value.is_object() && value.size() == 2 && value.contains(first) &&
           value.contains(second) && value[first].is_number() && value[second].is_number();
}

// An element that no longer exists still gets a handle: one that answers as removed.
ElementTarget targetOfId(const World& world, const std::string& id) {
    const auto* element = world.elementById(id);
    return element ? ElementTarget::element(element->pid, element->node)
                   : ElementTarget::element(0, 0);
}

} // namespace

platform::AXValue toAXValue(const World& world, const Json& value, const HandleMaker& makeHandle) {
    using platform::AXValue;
    if (value.is_string()) {
        return AXValue::ofString(value.get<std::string>());
    }
    if (value.is_boolean()) {
        return AXValue::ofBoolean(value.get<bool>());
    }
    if (value.is_number()) {
        return AXValue::ofNumber(value.get<double>());
    }
    if (value.is_array()) {
        std::vector<AXValue> items;
        items.reserve(value.size());
        for (const auto& item : value) {
            items.push_back(toAXValue(world, item, makeHandle));
        }
        return AXValue::ofArray(std::move(items));
    }
    if (hasExactlyNumbers(value, "x", "y")) {
        return AXValue::ofPoint(Point{value["x"].get<double>(), value["y"].get<double>()});
    }
    if (hasExactlyNumbers(value, "width", "height")) {
        return AXValue::ofSize(Size{value["width"].get<double>(), value["height"].get<double>()});
    }
    if (value.is_object() && value.size() == 1 && value.contains("element") &&
        value["element"].is_string()) {
        return AXValue::ofElement(
            makeHandle(targetOfId(world, value["element"].get<std::string>())));
    }
    if (value.is_object() && value.size() == 1 && value.contains("application") &&
        value["application"].is_number_integer()) {
        const auto pid = value["application"].get<std::int64_t>();
        if (pid >= std::numeric_limits<std::int32_t>::min() &&
            pid <= std::numeric_limits<std::int32_t>::max()) {
            return AXValue::ofElement(
                makeHandle(ElementTarget::application(static_cast<std::int32_t>(pid))));
        }
    }
    return AXValue{};
}

} // namespace orvel::sim
