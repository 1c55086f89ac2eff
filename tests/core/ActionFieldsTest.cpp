// The act fields whose wrong type would send other input than asked: refused by name, while
// absent or null fields, well-typed ones and fields that only lead to refusals of their own pass.
#include "OrvelControlCore/ActionFields.hpp"

#include "OrvelControlCore/Failure.hpp"
#include "support/FailureOf.hpp"

#include <gtest/gtest.h>

namespace orvel::testing {
namespace {

std::optional<Failure> checking(const Json& request) {
    const Json& action = request.contains("action") ? request["action"] : Json::object();
    return failureOf(
        [&] { ActionFields::check(request, action, action.value("type", std::string())); });
}

Json act(Json action, Json extra = Json::object()) {
    Json request{{"op", "act"}, {"observationId", "o1"}, {"action", std::move(action)}};
    request.update(extra);
    return request;
}

TEST(ActionFields, AMalformedFieldThatChangesTheInputIsRefusedByName) {
    struct Case {
        Json request;
        const char* field;
        const char* message;
    };
    const Case cases[] = {
        {act({{"type", "key.press"}, {"key", "x"}, {"modifiers", {"cmd", 1}}}), "modifiers",
         "Feltet modifiers må være en liste med tekster."},
        {act({{"type", "key.press"}, {"key", "x"}, {"modifiers", "cmd"}}), "modifiers",
         "Feltet modifiers må være en liste med tekster."},
        {act({{"type", "pointer.click"}, {"x", 1}, {"y", 1}, {"button", 1}}), "button",
         "Feltet button må være en tekst."},
        {act({{"type", "pointer.click"}, {"x", 1}, {"y", 1}, {"count", "2"}}), "count",
         "Feltet count må være et heltall."},
        {act({{"type", "pointer.click"}, {"x", 1}, {"y", 1}, {"count", 2.5}}), "count",
         "Feltet count må være et heltall."},
        {act({{"type", "pointer.click"}, {"x", 1}, {"y", 1}, {"count", true}}), "count",
         "Feltet count må være et heltall."},
        {act({{"type", "pointer.click"}, {"x", 1}, {"y", 1}, {"expectElementId", 3}}),
         "expectElementId", "Feltet expectElementId må være en tekst."},
        {act({{"type", "pointer.scroll"}, {"x", 1}, {"y", 1}, {"dy", "-120"}}), "dy",
         "Feltet dy må være et heltall."},
        {act({{"type", "pointer.scroll"}, {"x", 1}, {"y", 1}, {"dx", 1e300}}), "dx",
         "Feltet dx må være et heltall."},
        {act({{"type", "pointer.drag"},
              {"x", 1},
              {"y", 1},
              {"to", {{"x", 2}, {"y", 2}, {"expectElementId", {"e1"}}}}}),
         "to.expectElementId", "Feltet to.expectElementId må være en tekst."},
        {act({{"type", "ax.press"}, {"elementId", "e1"}}, {{"mode", true}}), "mode",
         "Feltet mode må være en tekst."},
        {act({{"type", "ax.press"}, {"elementId", "e1"}}, {{"expect", {101}}}), "expect",
         "Feltet expect må være et objekt."},
        {act({{"type", "ax.press"}, {"elementId", "e1"}}, {{"expect", {{"windowId", "101"}}}}),
         "expect.windowId", "Feltet expect.windowId må være et vindusnummer."},
        {act({{"type", "ax.press"}, {"elementId", "e1"}}, {{"expect", {{"windowId", 0}}}}),
         "expect.windowId", "Feltet expect.windowId må være et vindusnummer."},
        {act({{"type", "ax.press"}, {"elementId", "e1"}}, {{"expect", {{"bundleId", 7}}}}),
         "expect.bundleId", "Feltet expect.bundleId må være en tekst."},
        {act({{"type", "ax.press"}, {"elementId", "e1"}}, {{"expect", {{"launchedAt", "x"}}}}),
         "expect.launchedAt", "Feltet expect.launchedAt må være et tall."},
    };
    for (const auto& [request, field, message] : cases) {
        EXPECT_EQ(checking(request), Failure("invalid_request", message, Json{{"field", field}}))
            << request.dump();
    }
}

TEST(ActionFields, AbsentNullAndWellTypedFieldsPass) {
    const Json passing[] = {
        act({{"type", "key.press"}, {"key", "x"}}),
        act({{"type", "key.press"}, {"key", "x"}, {"modifiers", nullptr}}),
        act({{"type", "key.press"}, {"key", "x"}, {"modifiers", Json::array()}}),
        act({{"type", "key.press"}, {"key", "x"}, {"modifiers", {"cmd", "shift"}}}),
        act({{"type", "pointer.click"},
             {"x", 1},
             {"y", 1},
             {"button", "right"},
             {"count", 3.0},
             {"expectElementId", "e2"}}),
        act({{"type", "pointer.click"}, {"x", 1}, {"y", 1}, {"count", 9}}),
        act({{"type", "pointer.scroll"}, {"x", 1}, {"y", 1}, {"dx", -5000}, {"dy", 0}}),
        act({{"type", "pointer.drag"}, {"x", 1}, {"y", 1}, {"to", {{"x", 2}, {"y", 2}}}}),
        act({{"type", "ax.press"}, {"elementId", "e1"}},
            {{"mode", "foreground"},
             {"expect", {{"windowId", 101}, {"bundleId", "a.b"}, {"launchedAt", 1.5}}}}),
        act({{"type", "ax.press"}, {"elementId", "e1"}}, {{"expect", nullptr}}),
    };
    for (const auto& request : passing) {
        EXPECT_FALSE(checking(request)) << request.dump();
    }
}

TEST(ActionFields, FieldsOfOtherActionsAndFieldsThatEndInTheirOwnRefusalAreLeftAlone) {
    const Json passing[] = {
        // Only a click has a button and a count, only a key press modifiers.
        act({{"type", "key.type"}, {"text", "x"}, {"button", 1}, {"count", "x"}}),
        act({{"type", "pointer.click"}, {"x", 1}, {"y", 1}, {"modifiers", 3}}),
        // A malformed text, key, end point or element id is refused by the action itself.
        act({{"type", "key.type"}, {"text", 5}}),
        act({{"type", "pointer.drag"}, {"x", 1}, {"y", 1}, {"to", "there"}}),
        act({{"type", "ax.press"}, {"elementId", 4}}),
        // The re-observation's bounds send no input.
        act({{"type", "ax.press"}, {"elementId", "e1"}},
            {{"depth", "deep"}, {"maxNodes", true}, {"screenshot", 1}}),
    };
    for (const auto& request : passing) {
        EXPECT_FALSE(checking(request)) << request.dump();
    }
}

} // namespace
} // namespace orvel::testing
