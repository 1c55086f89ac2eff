// An opaque, copyable, reference-counted handle to another application's accessibility
// element, and the tagged value an attribute read answers with.
//
// Handles are values: copying one shares the element. Whether two handles denote the same
// element is the accessibility service's question (`AccessibilityService::equal`), not a
// comparison of the handles. Thread-safe to copy and destroy from any thread.
#pragma once

#include "OrvelControlCore/Geometry.hpp"

#include <memory>
#include <string>
#include <vector>

namespace orvel::platform {

class ElementHandle {
  public:
    ElementHandle() = default;
    explicit ElementHandle(std::shared_ptr<const void> element) : element_(std::move(element)) {}

    bool isNull() const { return element_ == nullptr; }
    explicit operator bool() const { return !isNull(); }
    const std::shared_ptr<const void>& raw() const { return element_; }

  private:
    std::shared_ptr<const void> element_;
};

// What `AXUIElementCopyAttributeValue` hands back: a string, a number (booleans are numbers
// flagged as such, as on the real platform), an element, an array, an accessibility value
// holding a point or a size, or something else the program does not read.
struct AXValue {
    enum class Kind { string, number, element, array, point, size, other };

    Kind kind = Kind::other;
    std::string string;
    double number = 0;
    bool isBoolean = false;
    ElementHandle element;
    std::vector<AXValue> array;
    Point point;
    Size size;

    static AXValue ofString(std::string text) {
        AXValue value;
        value.kind = Kind::string;
        value.string = std::move(text);
        return value;
    }
    static AXValue ofNumber(double number) {
        AXValue value;
        value.kind = Kind::number;
        value.number = number;
        return value;
    }
    static AXValue ofBoolean(bool flag) {
        AXValue value = ofNumber(flag ? 1 : 0);
        value.isBoolean = true;
        return value;
    }
    static AXValue ofElement(ElementHandle element) {
        AXValue value;
        value.kind = Kind::element;
        value.element = std::move(element);
        return value;
    }
    static AXValue ofArray(std::vector<AXValue> items) {
        AXValue value;
        value.kind = Kind::array;
        value.array = std::move(items);
        return value;
    }
    static AXValue ofPoint(Point point) {
        AXValue value;
        value.kind = Kind::point;
        value.point = point;
        return value;
    }
    static AXValue ofSize(Size size) {
        AXValue value;
        value.kind = Kind::size;
        value.size = size;
        return value;
    }
};

} // namespace orvel::platform
