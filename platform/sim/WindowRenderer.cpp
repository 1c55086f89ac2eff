#include "platform/sim/WindowRenderer.hpp"

#include "platform/sim/Canvas.hpp"

#include <algorithm>

namespace orvel::sim {

namespace {

constexpr Colour windowBackground{236, 236, 236};
constexpr Colour titleBar{214, 214, 214};
constexpr Colour titleBarEdge{180, 180, 180};
constexpr Colour titleText{90, 90, 90};
constexpr Colour closeButton{255, 95, 86};
constexpr Colour minimiseButton{255, 189, 46};
constexpr Colour zoomButton{39, 201, 63};
constexpr Colour white{255, 255, 255};
constexpr Colour fieldEdge{150, 150, 150};
constexpr Colour fieldText{40, 40, 40};
constexpr Colour buttonFill{214, 228, 255};
constexpr Colour buttonEdge{0, 90, 200};
constexpr Colour buttonText{0, 60, 160};
constexpr Colour checkEdge{100, 100, 100};
constexpr Colour accent{0, 122, 255};
constexpr Colour staticText{70, 70, 70};
constexpr Colour listEdge{170, 170, 170};
constexpr Colour rowSeparator{220, 220, 220};
constexpr Colour groupEdge{120, 120, 120};

constexpr double titleBarHeight = 28;
constexpr double characterWidth = 7;
constexpr double textHeight = 6;

// Window points to image pixels.
struct Mapping {
    Rect window;
    double scaleX = 1;
    double scaleY = 1;

    double x(double pointX) const { return (pointX - window.origin.x) * scaleX; }
    double y(double pointY) const { return (pointY - window.origin.y) * scaleY; }
};

class Painter {
  public:
    Painter(Canvas& canvas, Mapping mapping) : canvas_(canvas), map_(mapping) {}

    // A rectangle given in window points.
    void fill(double x, double y, double width, double height, Colour colour) {
        canvas_.fill(map_.x(x), map_.y(y), width * map_.scaleX, height * map_.scaleY, colour);
    }
    void outline(double x, double y, double width, double height, Colour colour,
                 double thickness = 1) {
        canvas_.outline(map_.x(x), map_.y(y), width * map_.scaleX, height * map_.scaleY,
                        std::max(1.0, thickness * std::min(map_.scaleX, map_.scaleY)), colour);
    }
    void circle(double x, double y, double radius, Colour colour) {
        canvas_.fillCircle(map_.x(x), map_.y(y), radius * std::min(map_.scaleX, map_.scaleY),
                           colour);
    }
    // A bar standing for `length` characters of text, starting at x and centred on y.
    void textBar(double x, double centreY, std::size_t length, double maximumWidth, Colour colour) {
        const double width = std::min(static_cast<double>(length) * characterWidth, maximumWidth);
        if (width > 0) {
            fill(x, centreY - textHeight / 2, width, textHeight, colour);
        }
    }

  private:
    Canvas& canvas_;
    Mapping map_;
};

void paintTitleBar(Painter& painter, const WindowPicture& picture) {
    const auto& frame = picture.frame.standardized();
    const double height = std::min(titleBarHeight, frame.size.height);
    painter.fill(frame.origin.x, frame.origin.y, frame.size.width, height, titleBar);
    painter.fill(frame.origin.x, frame.origin.y + height - 1, frame.size.width, 1, titleBarEdge);
    const double middle = frame.origin.y + height / 2;
    painter.circle(frame.origin.x + 14, middle, 6, closeButton);
    painter.circle(frame.origin.x + 34, middle, 6, minimiseButton);
    painter.circle(frame.origin.x + 54, middle, 6, zoomButton);
    const double titleWidth = std::min(static_cast<double>(picture.titleLength) * characterWidth,
                                       std::max(0.0, frame.size.width - 140));
    painter.textBar(frame.origin.x + (frame.size.width - titleWidth) / 2, middle,
                    picture.titleLength, titleWidth, titleText);
}

void paintElement(Painter& painter, const ElementPicture& element) {
    const auto frame = element.frame.standardized();
    const double x = frame.origin.x;
    const double y = frame.origin.y;
    const double width = frame.size.width;
    const double height = frame.size.height;
    const double middle = y + height / 2;
    switch (element.look) {
    case ElementLook::textField:
        painter.fill(x, y, width, height, white);
        painter.outline(x, y, width, height, fieldEdge);
        painter.textBar(x + 6, middle, element.textLength, width - 12, fieldText);
        break;
    case ElementLook::secureField: {
        painter.fill(x, y, width, height, white);
        painter.outline(x, y, width, height, fieldEdge);
        const auto dots = std::min<std::size_t>(
            element.textLength, static_cast<std::size_t>(std::max(0.0, (width - 12) / 10)));
        for (std::size_t dot = 0; dot < dots; ++dot) {
            painter.circle(x + 10 + 10 * static_cast<double>(dot), middle, 3, fieldText);
        }
        break;
    }
    case ElementLook::button: {
        painter.fill(x, y, width, height, buttonFill);
        painter.outline(x, y, width, height, buttonEdge);
        const double textWidth =
            std::min(static_cast<double>(element.textLength) * characterWidth, width - 12);
        painter.textBar(x + (width - textWidth) / 2, middle, element.textLength, textWidth,
                        buttonText);
        break;
    }
    case ElementLook::checkbox: {
        const double box = std::min(14.0, height);
        painter.fill(x, middle - box / 2, box, box, element.checked ? accent : white);
        painter.outline(x, middle - box / 2, box, box, checkEdge);
        painter.textBar(x + box + 6, middle, element.textLength, width - box - 6, staticText);
        break;
    }
    case ElementLook::text:
        painter.textBar(x, middle, element.textLength, width, staticText);
        break;
    case ElementLook::list:
        painter.fill(x, y, width, height, white);
        painter.outline(x, y, width, height, listEdge);
        break;
    case ElementLook::row:
        painter.fill(x, y + height - 1, width, 1, rowSeparator);
        break;
    case ElementLook::group:
        painter.outline(x, y, width, height, groupEdge);
        break;
    }
    if (element.focused) {
        painter.outline(x - 2, y - 2, width + 4, height + 4, accent, 2);
    }
}

} // namespace

platform::CapturedImage renderWindow(const WindowPicture& picture, int width, int height) {
    Canvas canvas(width, height, windowBackground);
    const auto frame = picture.frame.standardized();
    const Mapping mapping{frame, frame.size.width > 0 ? width / frame.size.width : 1.0,
                          frame.size.height > 0 ? height / frame.size.height : 1.0};
    Painter painter(canvas, mapping);
    paintTitleBar(painter, picture);
    for (const auto& element : picture.elements) {
        paintElement(painter, element);
    }
    return std::move(canvas).take();
}

} // namespace orvel::sim
