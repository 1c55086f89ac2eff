// Response envelopes, event lines and receipts without image data.
#include "OrvelControlCore/Responses.hpp"

#include "OrvelControlCore/Failures.hpp"

#include <gtest/gtest.h>

#include <limits>

namespace orvel {
namespace {

TEST(Responses, SuccessCarriesIdOkAndResultInSortedOrder) {
    const Json response = okResponse("a", Json::object());
    EXPECT_EQ(wireText(response), R"({"id":"a","ok":true,"result":{}})");
    EXPECT_EQ(okResponse("b", Json{{"pong", true}})["result"], (Json{{"pong", true}}));
}

TEST(Responses, FailureCarriesDetailsOnlyWhenThereAreValidOnes) {
    EXPECT_EQ(wireText(errorResponse("", failures::tooLarge())),
              R"({"error":{"code":"too_large","message":"Forespørselen var for stor."},)"
              R"("id":"","ok":false})");
    EXPECT_EQ(errorResponse("x", failures::busy())["error"],
              (Json{{"code", "busy"},
                    {"message", "For mange forespørsler venter allerede."},
                    {"details", {{"limit", 16}}}}));
}

TEST(Responses, InvalidDetailsAreLeftOutButTheFailureStillGoesOut) {
    const Failure notFinite("x", "m", Json{{"v", std::numeric_limits<double>::quiet_NaN()}});
    const Failure notUtf8("x", "m", Json{{"v", "\xFF"}});
    const Failure notObject("x", "m", Json::array({1}));
    for (const Failure& failure : {notFinite, notUtf8, notObject}) {
        const Json response = errorResponse("id", failure);
        EXPECT_EQ(response["error"], (Json{{"code", "x"}, {"message", "m"}}));
        EXPECT_TRUE(wireText(response));
    }
}

TEST(Responses, ReceiptsDropScreenshotDataAtAnyDepth) {
    const Json response = Json::parse(R"({"result": {
        "screenshot": {"data": "QUJD", "pixelWidth": 10},
        "list": [{"screenshot": {"data": "QUJD", "nested": {"screenshot": {"data": "x"}}}}],
        "other": {"screenshot": {"pixelWidth": 3}},
        "text": {"screenshot": "not an object"},
        "data": "kept"}})");
    const Json expected = Json::parse(R"({"result": {
        "screenshot": {"omitted": true, "pixelWidth": 10},
        "list": [{"screenshot": {"omitted": true, "nested": {"screenshot": {"data": "x"}}}}],
        "other": {"screenshot": {"pixelWidth": 3}},
        "text": {"screenshot": "not an object"},
        "data": "kept"}})");
    EXPECT_EQ(withoutImageData(response), expected);
    EXPECT_EQ(withoutImageData(Json(5)), Json(5));
}

TEST(Responses, EventLinesNameTheirEvent) {
    EXPECT_EQ(wireText(eventLine("input_released", Json{{"reason", "watchdog"}})),
              R"({"event":"input_released","reason":"watchdog"})");
    EXPECT_EQ(eventLine("stopped", Json{{"event", "spoofed"}})["event"], "stopped");
}

} // namespace
} // namespace orvel
