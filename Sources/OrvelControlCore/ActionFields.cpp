#include "OrvelControlCore/ActionFields.hpp"

#include "OrvelControlCore/Failure.hpp"
#include "OrvelControlCore/RequestAccessors.hpp"

#include <string>

namespace orvel::ActionFields {
namespace {

// A type a field must have, as the typed accessor that reads it, and how a message names it.
struct Expectation {
    bool (*holds)(const Json& container, std::string_view key);
    const char* description; // completes "Feltet <name> må være ..."
};

constexpr Expectation text{[](const Json& container, std::string_view key) {
                               return readString(container, key).has_value();
                           },
                           "en tekst"};
constexpr Expectation wholeNumber{
    [](const Json& container, std::string_view key) { return readInt(container, key).has_value(); },
    "et heltall"};
constexpr Expectation number{[](const Json& container, std::string_view key) {
                                 return readDouble(container, key).has_value();
                             },
                             "et tall"};
constexpr Expectation texts{[](const Json& container, std::string_view key) {
                                return readStrings(container, key).has_value();
                            },
                            "en liste med tekster"};
constexpr Expectation object{[](const Json& container, std::string_view key) {
                                 return readObject(container, key) != nullptr;
                             },
                             "et objekt"};
constexpr Expectation windowNumber{[](const Json& container, std::string_view key) {
                                       return readWindowId(container, key).has_value();
                                   },
                                   "et vindusnummer"};

bool isGiven(const Json& container, std::string_view key) {
    if (!container.is_object()) {
        return false;
    }
    const auto found = container.find(key);
    return found != container.end() && !found->is_null();
}

void require(const Json& container, std::string_view key, const Expectation& expectation,
             std::string_view prefix = "") {
    if (!isGiven(container, key) || expectation.holds(container, key)) {
        return;
    }
    const std::string field = std::string(prefix) + std::string(key);
    throw Failure("invalid_request",
                  "Feltet " + field + " må være " + expectation.description + ".",
                  Json{{"field", field}});
}

void checkBinding(const Json& request) {
    require(request, "mode", text);
    require(request, "expect", object);
    if (const Json* expect = readObject(request, "expect")) {
        require(*expect, "windowId", windowNumber, "expect.");
        require(*expect, "bundleId", text, "expect.");
        require(*expect, "launchedAt", number, "expect.");
    }
}

void checkAction(const Json& action, std::string_view type) {
    if (type == "pointer.click") {
        require(action, "button", text);
        require(action, "count", wholeNumber);
        require(action, "expectElementId", text);
    } else if (type == "pointer.scroll") {
        require(action, "dx", wholeNumber);
        require(action, "dy", wholeNumber);
        require(action, "expectElementId", text);
    } else if (type == "pointer.drag") {
        require(action, "expectElementId", text);
        if (const Json* to = readObject(action, "to")) {
            require(*to, "expectElementId", text, "to.");
        }
    } else if (type == "key.press") {
        require(action, "modifiers", texts);
    }
}

} // namespace

void check(const Json& request, const Json& action, std::string_view type) {
    checkBinding(request);
    checkAction(action, type);
}

} // namespace orvel::ActionFields
