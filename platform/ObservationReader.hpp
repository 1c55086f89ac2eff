// The reads an observation makes of each element, asked of a desktop that can answer many
// at once. An observation reads the same dozen attributes of hundreds of elements; where
// every read is a message to another process, asking them one by one spends most of the
// time waiting. A reader takes a batch of elements (the next ones of the observation's
// breadth-first queue) and answers for each exactly what the single reads would have
// answered, so that the observation's order, limits and results stay the same.
//
// A reader serves one observation and is dropped with it: nothing it learns outlives the
// request that asked, so no observation reports what an earlier request saw.
//
// Threading: used by the one thread that runs the observation.
#pragma once

#include "platform/AXAnswer.hpp"
#include "platform/ElementHandle.hpp"

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

namespace orvel::platform {

// One element's answers, each as AccessibilityService would give it for that read.
struct ElementReads {
    AXAnswer<AXValue> role;
    AXAnswer<AXValue> subrole;
    AXAnswer<AXValue> title;
    AXAnswer<AXValue> description;
    AXAnswer<AXValue> label;
    AXAnswer<AXValue> value;
    AXAnswer<bool> valueSettable;
    AXAnswer<bool> focusSettable;
    AXAnswer<AXValue> enabled;
    AXAnswer<AXValue> focused;
    AXAnswer<AXValue> position;
    AXAnswer<AXValue> size;
    AXAnswer<std::vector<std::string>> actions;
    AXAnswer<AXValue> children;
};

class ObservationReader {
  public:
    virtual ~ObservationReader() = default;

    // The most elements worth handing over in one call.
    virtual std::size_t batchLimit() const = 0;

    // The reads of each element, in the order given. `stillWanted` is asked between rounds
    // of messages; once it answers false, what is not answered yet answers cannotComplete.
    // The value of an element whose role or subrole is "AXSecureTextField", and whether it
    // is settable, are never read: they answer attributeUnsupported.
    virtual std::vector<ElementReads> read(const std::vector<ElementHandle>& elements,
                                           const std::function<bool()>& stillWanted) = 0;
};

} // namespace orvel::platform
