// An RGBA picture being drawn: filled and outlined rectangles and filled circles, in pixel
// coordinates (doubles; anything outside the picture is clipped, NaN draws nothing). The
// simulated capture paints windows with it. Value type; not shared between threads.
#pragma once

#include "platform/ScreenCapture.hpp"

#include <cstdint>

namespace orvel::sim {

struct Colour {
    std::uint8_t red = 0;
    std::uint8_t green = 0;
    std::uint8_t blue = 0;
};

class Canvas {
  public:
    Canvas(int width, int height, Colour background);

    void fill(double x, double y, double width, double height, Colour colour);
    void outline(double x, double y, double width, double height, double thickness, Colour colour);
    void fillCircle(double centreX, double centreY, double radius, Colour colour);

    platform::CapturedImage take() &&;

  private:
    void setPixel(int x, int y, Colour colour);
    std::uint8_t* pixelAddress(int x, int y);

    platform::CapturedImage image_;
};

} // namespace orvel::sim
