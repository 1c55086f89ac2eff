// How large a screenshot may be for a transport that limits the size of one message: a pixel
// budget applied before capturing, and a bound on the Base64 text that makes the capture scale
// down and try again. Sessions without a budget capture at the platform's full pixel limit.
#pragma once

#include <cstddef>

namespace orvel {

struct ScreenshotBudget {
    int maxPixels = 0;
    std::size_t maxBase64Bytes = 0;
};

} // namespace orvel
