// Points, sizes and rectangles in screen points (origin at the top-left of the main display,
// y downwards), with the few rectangle helpers the program needs. The helpers work on the
// standardised rectangle (negative width or height flipped), as CoreGraphics does.
// Plain values; thread-safe.
#pragma once

namespace orvel {

struct Point {
    double x = 0;
    double y = 0;
    bool operator==(const Point&) const = default;
};

struct Size {
    double width = 0;
    double height = 0;
    bool operator==(const Size&) const = default;
};

struct Rect {
    Point origin;
    Size size;
    bool operator==(const Rect&) const = default;

    // The same area with a non-negative width and height.
    Rect standardized() const {
        Rect result = *this;
        if (result.size.width < 0) {
            result.origin.x += result.size.width;
            result.size.width = -result.size.width;
        }
        if (result.size.height < 0) {
            result.origin.y += result.size.height;
            result.size.height = -result.size.height;
        }
        return result;
    }

    double minX() const { return standardized().origin.x; }
    double minY() const { return standardized().origin.y; }
    double maxX() const {
        const Rect rect = standardized();
        return rect.origin.x + rect.size.width;
    }
    double maxY() const {
        const Rect rect = standardized();
        return rect.origin.y + rect.size.height;
    }
    double midX() const {
        const Rect rect = standardized();
        return rect.origin.x + rect.size.width / 2;
    }
    double midY() const {
        const Rect rect = standardized();
        return rect.origin.y + rect.size.height / 2;
    }
    Point midPoint() const { return {midX(), midY()}; }

    // No area: a zero width or height.
    bool isEmpty() const { return size.width == 0 || size.height == 0; }

    // The minimum edges are inside, the maximum edges outside; an empty rectangle holds nothing.
    bool contains(Point point) const {
        return !isEmpty() && point.x >= minX() && point.x < maxX() && point.y >= minY() &&
               point.y < maxY();
    }

    // True when the two rectangles share an area; touching edges do not count.
    bool intersects(const Rect& other) const {
        return !isEmpty() && !other.isEmpty() && minX() < other.maxX() && other.minX() < maxX() &&
               minY() < other.maxY() && other.minY() < maxY();
    }
};

} // namespace orvel
