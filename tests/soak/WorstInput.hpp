// The program under the worst input its limits allow, for its peak resident memory: a flood of
// request lines of the largest size (each parsing into as many values as its bytes allow), a
// window with the most elements, each with the longest texts, observed with the largest
// screenshot again and again until every receipt holds such an observation, and the flood once
// more on top. Prints the peak against the bound; returns 0 when it stays under it and every
// observation was answered.
//
// On the simulated desktop the window is a scenario of its own with the most elements; its
// images are flat and compress to little. On the X11 desktop it is a real window of random
// pixels (the application of `appPid`), whose screenshots are as large as images can be.
#pragma once

#include <cstdint>
#include <string>

namespace orvel::soak {

int runWorstInput(const std::string& binary, const std::string& folder);
int runWorstInputOnX11(const std::string& binary, std::int32_t appPid);

} // namespace orvel::soak
