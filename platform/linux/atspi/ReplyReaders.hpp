// Reading the typed contents of AT-SPI replies. A reply that is an error keeps its status; a
// reply whose contents are not of the expected type (another application's answer is not
// trusted) answers the general failure. Nothing here throws.
#pragma once

#include "platform/AccessibilityService.hpp"
#include "platform/linux/atspi/BusMessage.hpp"
#include "platform/linux/atspi/ObjectRef.hpp"
#include "platform/linux/atspi/StateSet.hpp"

#include <cstdint>
#include <string>
#include <vector>

namespace orvel::linuxdesktop {

struct Extents {
    std::int32_t x = 0;
    std::int32_t y = 0;
    std::int32_t width = 0;
    std::int32_t height = 0;
};

template <class T> using Answer = platform::AXAnswer<T>;

Answer<std::uint32_t> readUint32(const Reply& reply);
Answer<std::int32_t> readInt32(const Reply& reply);
Answer<bool> readBool(const Reply& reply);
Answer<std::string> readString(const Reply& reply);
Answer<std::vector<std::string>> readStrings(const Reply& reply);
Answer<StateSet> readStates(const Reply& reply);
Answer<ObjectRef> readObjectRef(const Reply& reply);
Answer<std::vector<ObjectRef>> readObjectRefs(const Reply& reply);
Answer<Extents> readExtents(const Reply& reply);

// One value at the message's current position, for contents that stand inside containers of
// their own (the cache's items); false when it is not there or not of the type.
bool readObjectRefAt(sd_bus_message* message, ObjectRef& value);
bool readStringsAt(sd_bus_message* message, std::vector<std::string>& values);
bool readStatesAt(sd_bus_message* message, StateSet& states);

// Properties.Get answers a variant.
Answer<std::string> readVariantString(const Reply& reply);
Answer<std::int32_t> readVariantInt32(const Reply& reply);
Answer<double> readVariantDouble(const Reply& reply);
Answer<bool> readVariantBool(const Reply& reply);
Answer<ObjectRef> readVariantObjectRef(const Reply& reply);

} // namespace orvel::linuxdesktop
