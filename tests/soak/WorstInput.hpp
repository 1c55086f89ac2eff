// The program under the worst input its limits allow, for its peak resident memory: a flood of
// request lines of the largest size (each parsing into as many values as its bytes allow), a
// window with the most elements, each with the longest texts, observed with the largest
// screenshot again and again until every receipt holds such an observation, and the flood once
// more on top. Prints the peak against the bound; returns 0 when it stays under it and every
// observation was answered.
#pragma once

#include <string>

namespace orvel::soak {

int runWorstInput(const std::string& binary, const std::string& folder);

} // namespace orvel::soak
