// Resampling a captured image to the size the capture was asked for. Each output pixel is the
// average of the input area it covers (weighted by how much of each input pixel it covers), so
// shrinking keeps thin lines and text legible and equal sizes copy exactly. Pure; thread-safe.
#pragma once

#include "platform/ScreenCapture.hpp"

namespace orvel::linuxdesktop {

// `image` at `width` by `height` pixels (both at least 1).
platform::CapturedImage scaledImage(const platform::CapturedImage& image, int width, int height);

} // namespace orvel::linuxdesktop
