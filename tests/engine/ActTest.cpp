// The "act" request end to end on the simulated desktop: admission, every kind of target
// verification, foreground mode, the guard, the "partial" rule, the outcome, and which
// failures keep or forget the current observation.
#include "support/EngineHarness.hpp"

#include <gtest/gtest.h>

namespace orvel::testing {
namespace {

using namespace std::chrono_literals;

Json notesDesktop() {
    auto frame = [](double x, double y, double width, double height) {
        return Json{{"x", x}, {"y", y}, {"width", width}, {"height", height}};
    };
    Json tree{
        {"id", "w1"},
        {"role", "AXWindow"},
        {"title", "Notes"},
        {"frame", frame(100, 80, 800, 600)},
        {"actions", {"AXRaise"}},
        {"children",
         {
             {{"id", "field"},
              {"role", "AXTextField"},
              {"value", "hello"},
              {"settable", {"AXValue", "AXFocused"}},
              {"frame", frame(120, 120, 300, 24)}},
             {{"id", "save"},
              {"role", "AXButton"},
              {"title", "Lagre"},
              {"actions", {"AXPress"}},
              {"frame", frame(120, 160, 80, 24)},
              {"on",
               {{"AXPress",
                 {{{"set",
                    {{"element", "status"}, {"attribute", "AXValue"}, {"value", "Lagret"}}}}}}}}},
             {{"id", "status"},
              {"role", "AXStaticText"},
              {"value", ""},
              {"frame", frame(220, 160, 200, 24)}},
             {{"id", "password"},
              {"role", "AXTextField"},
              {"subrole", "AXSecureTextField"},
              {"settable", {"AXValue", "AXFocused"}},
              {"frame", frame(120, 200, 300, 24)}},
             {{"id", "check"},
              {"role", "AXCheckBox"},
              {"title", "Varsle"},
              {"value", 0},
              {"actions", {"AXPress"}},
              {"frame", frame(120, 240, 100, 20)},
              {"on",
               {{"AXPress",
                 {{{"set", {{"element", "check"}, {"attribute", "AXValue"}, {"value", 1}}}}}}}}},
             {{"id", "row"},
              {"role", "AXRow"},
              {"frame", frame(120, 280, 300, 40)},
              {"children",
               {{{"id", "cell"},
                 {"role", "AXCell"},
                 {"frame", frame(120, 280, 300, 40)},
                 {"children",
                  {{{"id", "celltext"},
                    {"role", "AXStaticText"},
                    {"value", "Melk"},
                    {"frame", frame(130, 290, 100, 20)}}}}}}}},
             {{"id", "close"},
              {"role", "AXButton"},
              {"title", "Lukk"},
              {"actions", {"AXPress"}},
              {"frame", frame(120, 340, 80, 24)},
              {"on", {{"AXPress", {{{"closeWindow", 101}}}}}}},
             {{"id", "slow"},
              {"role", "AXButton"},
              {"title", "Treg"},
              {"actions", {"AXPress"}},
              {"frame", frame(220, 340, 80, 24)},
              {"actionErrors", {{"AXPress", -25204}}}},
             {{"id", "noop"},
              {"role", "AXButton"},
              {"title", "Ingenting"},
              {"actions", {"AXPress"}},
              {"frame", frame(320, 340, 80, 24)}},
         }}};
    Json overlay{{"id", "menu"},
                 {"role", "AXWindow"},
                 {"title", "Meny"},
                 {"frame", frame(600, 90, 150, 100)}};
    Json other{{"id", "ow"},
               {"role", "AXWindow"},
               {"title", "Other"},
               {"frame", frame(700, 400, 400, 300)}};
    return Json{
        {"apps",
         {{{"pid", 501},
           {"bundleId", "com.example.notes"},
           {"name", "Notes"},
           {"launchedAt", 1765000000},
           {"focusedWindow", "w1"},
           {"focusedElement", "field"}},
          {{"pid", 502}, {"bundleId", "com.example.other"}, {"name", "Other"}}}},
        {"frontmost", 502},
        {"windows",
         {{{"windowId", 201},
           {"pid", 502},
           {"title", "Other"},
           {"layer", 3},
           {"frame", frame(700, 400, 400, 300)},
           {"tree", other}},
          {{"windowId", 102},
           {"pid", 501},
           {"title", "Meny"},
           {"frame", frame(600, 90, 150, 100)},
           {"tree", overlay}},
          {{"windowId", 101},
           {"pid", 501},
           {"title", "Notes"},
           {"frame", frame(100, 80, 800, 600)},
           {"tree", tree}}}},
    };
}

class Act : public ::testing::Test {
  protected:
    void start(Json scenario = notesDesktop()) {
        harness = std::make_unique<EngineHarness>(scenario.dump());
    }

    std::string observe() {
        auto response = harness->request({{"id", "obs" + std::to_string(++requests)},
                                          {"op", "observe"},
                                          {"pid", 501},
                                          {"windowId", 101}});
        return response["result"]["observationId"].get<std::string>();
    }

    Json act(const std::string& observationId, Json action, std::string mode = "background",
             Json extra = {}) {
        Json request{{"id", "act" + std::to_string(++requests)},
                     {"op", "act"},
                     {"observationId", observationId},
                     {"mode", mode},
                     {"action", action}};
        if (extra.is_object()) {
            request.update(extra);
        }
        return harness->request(request, 20s);
    }

    std::string elementId(const std::string& label) {
        auto record = harness->engine().currentObservation();
        if (!record) {
            ADD_FAILURE() << "no current observation";
            return "";
        }
        for (const auto& id : record->order) {
            const auto& node = record->nodes.at(id);
            if (node.label == label || node.value == label) {
                return id;
            }
        }
        ADD_FAILURE() << "no element " << label;
        return "";
    }

    bool hasObservation() { return harness->engine().currentObservation() != nullptr; }

    // Every down event the program posted has its up event, and nothing is held.
    void expectNothingHeld() {
        std::map<std::string, int> balance;
        for (const auto& event : harness->desktop().eventLog()) {
            if (event.value("source", "") != "program") {
                continue;
            }
            std::string kind = event["kind"];
            auto ends = [&](const std::string& suffix) {
                return kind.size() > suffix.size() &&
                       kind.compare(kind.size() - suffix.size(), suffix.size(), suffix) == 0;
            };
            std::string key = kind.substr(0, kind.find_first_of("DU")) +
                              std::to_string(event.value("keyCode", 0));
            if (ends("Down")) {
                balance[key] += 1;
            } else if (ends("Up")) {
                balance[key] -= 1;
            }
        }
        for (const auto& [key, count] : balance) {
            EXPECT_EQ(count, 0) << key;
        }
        EXPECT_FALSE(harness->engine().input().ledger().isHoldingAnything());
    }

    std::unique_ptr<EngineHarness> harness;
    int requests = 0;
};

TEST_F(Act, ABackgroundPressChangesTheWindowAndReportsIt) {
    start();
    auto id = observe();
    auto response = act(id, {{"type", "ax.press"}, {"elementId", elementId("Lagre")}});
    auto result = response["result"];
    ASSERT_EQ(response["ok"], true) << response.dump();
    EXPECT_EQ(result["submitted"], true);
    EXPECT_EQ(result["changed"], true);
    EXPECT_EQ(result["verified"], true);
    EXPECT_TRUE(result["uncertainty"].is_null());
    EXPECT_EQ(result["requestId"], response["id"]);
    EXPECT_EQ(result["target"]["observationId"], id);
    EXPECT_EQ(result["target"]["role"], "AXButton");
    EXPECT_EQ(result["target"]["point"], (Json{{"x", 60}, {"y", 92}}));
    EXPECT_EQ(result["target"]["screenPoint"], (Json{{"x", 160}, {"y", 172}}));
    auto newId = result["observation"]["observationId"];
    EXPECT_NE(newId, id);
    EXPECT_EQ(harness->engine().currentObservation()->id, newId);
    EXPECT_EQ(harness->desktop().elementAttribute("status", "AXValue"), Json("Lagret"));

    auto stale = act(id, {{"type", "ax.press"}, {"elementId", "e3"}});
    EXPECT_EQ(stale["error"],
              (Json{{"code", "stale_observation"},
                    {"message",
                     "Observasjonen er ikke lenger gyldig. Se på appen på nytt før du handler."},
                    {"details", {{"expected", newId}}}}));
}

TEST_F(Act, AnActionThatChangesNothingSaysSo) {
    start();
    auto id = observe();
    auto result = act(id, {{"type", "ax.press"}, {"elementId", elementId("Ingenting")}})["result"];
    EXPECT_EQ(result["changed"], false);
    EXPECT_EQ(result["verified"], false);
    EXPECT_EQ(
        result["uncertainty"],
        "Ingen synlig endring i tilgjengelighetstreet etter handlingen. Resultatet er uavklart.");
    EXPECT_TRUE(result["observation"].is_object());
}

TEST_F(Act, APressThatTimesOutCountsAsSubmittedWithItsUncertainty) {
    start();
    auto id = observe();
    auto response = act(id, {{"type", "ax.press"}, {"elementId", elementId("Treg")}});
    EXPECT_EQ(response["ok"], true);
    EXPECT_EQ(response["result"]["uncertainty"], "Appen svarte ikke som forventet. Handlingen kan "
                                                 "ha blitt utført; kontroller før du gjentar.");
}

TEST_F(Act, APressThatClosesTheWindowLeavesNoObservation) {
    start();
    auto id = observe();
    auto result = act(id, {{"type", "ax.press"}, {"elementId", elementId("Lukk")}})["result"];
    EXPECT_TRUE(result["observation"].is_null());
    EXPECT_FALSE(result.contains("changed"));
    EXPECT_EQ(result["verified"], false);
    EXPECT_EQ(result["uncertainty"],
              "Kunne ikke observere appen etter handlingen. Resultatet er uavklart.");
    EXPECT_FALSE(hasObservation());
}

TEST_F(Act, AdmissionRefusesMalformedAndStaleRequests) {
    start();
    auto id = observe();
    auto error = [&](Json action, std::string mode = "background", Json extra = {}) {
        return act(id, action, mode, extra)["error"];
    };
    Json press{{"type", "ax.press"}, {"elementId", "e2"}};
    EXPECT_EQ(error(Json::object()),
              (Json{{"code", "invalid_request"}, {"message", "Handlingen mangler type."}}));
    EXPECT_EQ(error(press, "Foreground"),
              (Json{{"code", "invalid_request"}, {"message", "Ukjent modus: Foreground."}}));
    EXPECT_EQ(error(press, "background", {{"artifactPath", nullptr}})["message"],
              "Skjermbilder leveres bare direkte i svaret, aldri som fil.");
    EXPECT_EQ(error(press, "background", {{"expect", {{"windowId", 555}}}}),
              (Json{{"code", "target_missing"},
                    {"message", "Observasjonen gjelder et annet vindu enn økten er bundet til."},
                    {"details", {{"expected", 555}, {"observed", 101}}}}));
    EXPECT_EQ(error(press, "background", {{"expect", {{"bundleId", "com.example.other"}}}})["code"],
              "target_missing");
    EXPECT_EQ(
        error({{"type", "pointer.click"}, {"x", 10}, {"y", 10}}),
        (Json{{"code", "foreground_required"},
              {"message",
               "Denne handlingen krever at brukeren gir Orvel Rire forgrunnsmodus for appen."},
              {"details", {{"action", "pointer.click"}}}}));
    EXPECT_EQ(error({{"type", "ax.press"}, {"elementId", "e99"}})["code"], "stale_observation");
    EXPECT_EQ(harness->desktop().frontmostPid(), 502) << "nothing was brought forward";
    EXPECT_TRUE(harness->desktop().eventLog().empty()) << "no event was posted";
    EXPECT_TRUE(hasObservation()) << "these refusals keep the observation";
}

TEST_F(Act, AnObservationIsFreshForNinetySecondsExactly) {
    start();
    auto id = observe();
    harness->clock().advance(90);
    Json noop{{"type", "ax.press"}, {"elementId", elementId("Ingenting")}};
    EXPECT_EQ(act(id, noop)["ok"], true);
    auto fresh = harness->engine().currentObservation()->id;
    harness->clock().advance(90.001);
    EXPECT_EQ(act(fresh, noop)["error"],
              (Json{{"code", "stale_observation"},
                    {"message", "Observasjonen er for gammel. Observer på nytt."}}));
    EXPECT_EQ(act(fresh, noop)["error"]["details"], (Json{{"expected", nullptr}}));
}

TEST_F(Act, AWindowMovedTwoPointsPassesAndTwoAndAHalfFails) {
    start();
    auto id = observe();
    harness->desktop().apply({{"moveWindow", {{"windowId", 101}, {"dx", 2}, {"dy", 2}}}});
    Json noop{{"type", "ax.press"}, {"elementId", elementId("Ingenting")}};
    auto moved = act(id, noop);
    ASSERT_EQ(moved["ok"], true) << moved.dump();
    auto next = harness->engine().currentObservation()->id;
    harness->desktop().apply({{"moveWindow", {{"windowId", 101}, {"dx", 2.5}, {"dy", 0}}}});
    EXPECT_EQ(
        act(next, noop)["error"],
        (Json{{"code", "stale_observation"},
              {"message", "Vinduet er flyttet, endret eller borte. Observer på nytt."},
              {"details", {{"frame", {{"x", 105}, {"y", 82}, {"width", 800}, {"height", 600}}}}}}));
    EXPECT_FALSE(hasObservation());
}

TEST_F(Act, SetValueCountsCharactersAndNeverWritesPasswords) {
    start();
    auto id = observe();
    std::string decomposed;
    for (int i = 0; i < 4000; ++i) {
        decomposed += "e\xCC\x81";
    }
    auto accepted = act(
        id, {{"type", "ax.setValue"}, {"elementId", elementId("hello")}, {"value", decomposed}});
    ASSERT_EQ(accepted["ok"], true) << accepted.dump().substr(0, 300);
    EXPECT_EQ(harness->desktop().elementAttribute("field", "AXValue"), Json(decomposed));

    id = harness->engine().currentObservation()->id;
    auto tooLong =
        act(id, {{"type", "ax.setValue"}, {"elementId", "e2"}, {"value", decomposed + "x"}});
    EXPECT_EQ(tooLong["error"],
              (Json{{"code", "invalid_request"}, {"message", "Verdien er for lang."}}));
    EXPECT_TRUE(hasObservation());

    auto password = act(id, {{"type", "ax.setValue"}, {"elementId", "e5"}, {"value", "hunter2"}});
    EXPECT_EQ(password["error"],
              (Json{{"code", "denied_target"},
                    {"message", "Elementet er nå et passordfelt. Orvel Rire skriver ikke der."}}));
    EXPECT_TRUE(hasObservation())
        << "a password field leaves the observation usable for other elements";
    EXPECT_FALSE(harness->desktop().elementAttribute("password", "AXValue").has_value());
}

TEST_F(Act, RaisingAWindowNeedsForegroundModeAfterTheElementChecks) {
    start();
    auto id = observe();
    auto background = act(id, {{"type", "ax.action"}, {"elementId", "e1"}, {"action", "AXRaise"}});
    EXPECT_EQ(background["error"], (Json{{"code", "foreground_required"},
                                         {"message", "Å heve vinduet krever forgrunnsmodus."}}));
    auto unlisted = act(id, {{"type", "ax.action"}, {"elementId", "e1"}, {"action", "AXShowMenu"}});
    EXPECT_EQ(unlisted["error"]["message"], "Elementet tilbyr ikke handlingen AXShowMenu.");
    auto foreground =
        act(id, {{"type", "ax.action"}, {"elementId", "e1"}, {"action", "AXRaise"}}, "foreground");
    EXPECT_EQ(foreground["ok"], true) << foreground.dump();
    EXPECT_EQ(harness->desktop().frontmostPid(), 501);
}

TEST_F(Act, NamesAndBundlesMatchInEveryCanonicallyEquivalentSpelling) {
    // The app spells its bundle and its action names with decomposed letters; the client
    // sends them composed, as most text arrives.
    auto scenario = notesDesktop();
    scenario["apps"][0]["bundleId"] = "no.example.cafe\u0301";
    auto& save = scenario["windows"][2]["tree"]["children"][1];
    save["actions"] = Json::array({"AXPress", "A\u030Apne"});
    save["on"]["A\u030Apne"] = Json::parse(
        R"([{"set": {"element": "status", "attribute": "AXValue", "value": "\u00C5pnet"}}])");
    start(scenario);
    auto observed = harness->request({{"id", "o"},
                                      {"op", "observe"},
                                      {"pid", 501},
                                      {"windowId", 101},
                                      {"bundleId", "no.example.caf\u00E9"}});
    ASSERT_EQ(observed["ok"], true) << observed.dump();
    EXPECT_EQ(observed["result"]["app"]["bundleId"], "no.example.cafe\u0301")
        << "the app's own spelling is reported";
    auto response =
        act(observed["result"]["observationId"].get<std::string>(),
            {{"type", "ax.action"}, {"elementId", elementId("Lagre")}, {"action", "\u00C5pne"}},
            "background", {{"expect", {{"bundleId", "no.example.caf\u00E9"}}}});
    ASSERT_EQ(response["ok"], true) << response.dump();
    EXPECT_EQ(harness->desktop().elementAttribute("status", "AXValue"), Json("\u00C5pnet"))
        << "the element was asked for the action by its own name";
}

TEST_F(Act, AnEmptyExpectedBundleStillBindsTheActionToTheObservedApp) {
    start();
    observe();
    // The observation was made of another app than the one that now has its pid.
    auto record = std::make_shared<ObservationRecord>(*harness->engine().currentObservation());
    record->bundleId = "com.example.previous";
    auto ticket = harness->engine().ledger().admit("rebind", false, "f").ticket;
    ASSERT_TRUE(harness->engine().publish(record, ticket));
    Json noop{{"type", "ax.press"}, {"elementId", elementId("Ingenting")}};
    EXPECT_EQ(act(record->id, noop, "background", {{"expect", {{"bundleId", ""}}}})["error"],
              (Json{{"code", "target_missing"},
                    {"message", "Prosessen tilhører en annen app enn den økten er bundet til."},
                    {"details",
                     {{"expected", "com.example.previous"}, {"actual", "com.example.notes"}}}}));
}

TEST_F(Act, AnUnknownTypeFailsOnlyAfterTheAppWasBroughtForward) {
    start();
    auto response = act(observe(), {{"type", "pointer.hover"}}, "foreground");
    EXPECT_EQ(response["error"], (Json{{"code", "unsupported_action"},
                                       {"message", "Ukjent handling: pointer.hover."}}));
    EXPECT_EQ(harness->desktop().frontmostPid(), 501);
}

TEST_F(Act, ForegroundClickAndTypingReachTheApp) {
    start();
    auto id = observe();
    auto click = act(id,
                     {{"type", "pointer.click"},
                      {"x", 50},
                      {"y", 170},
                      {"expectElementId", elementId("Varsle")}},
                     "foreground");
    ASSERT_EQ(click["ok"], true) << click.dump();
    EXPECT_EQ(click["result"]["changed"], true);
    EXPECT_EQ(harness->desktop().elementAttribute("check", "AXValue"), Json(1));

    id = harness->engine().currentObservation()->id;
    auto typed = act(id, {{"type", "key.type"}, {"text", " verden"}}, "foreground");
    ASSERT_EQ(typed["ok"], true) << typed.dump();
    EXPECT_EQ(harness->desktop().elementAttribute("field", "AXValue"), Json("hello verden"));
    EXPECT_EQ(typed["result"]["target"]["role"], "AXTextField");
    EXPECT_FALSE(harness->listener().automation());
    expectNothingHeld();
}

TEST_F(Act, PointsCoveredByOtherWindowsAreRefused) {
    start();
    auto id = observe();
    auto otherApp = act(id, {{"type", "pointer.click"}, {"x", 650}, {"y", 400}}, "foreground");
    EXPECT_EQ(otherApp["error"],
              (Json{{"code", "window_obscured"},
                    {"message", "Et vindu fra en annen app ligger over punktet."},
                    {"details", {{"pid", 502}, {"title", "Other"}}}}));
    auto overlay = act(id, {{"type", "pointer.click"}, {"x", 550}, {"y", 50}}, "foreground");
    EXPECT_EQ(overlay["error"],
              (Json{{"code", "window_obscured"},
                    {"message", "Et annet vindu i samme app ligger over punktet."},
                    {"details", {{"windowId", 102}, {"expected", 101}}}}));
    auto outside = act(id, {{"type", "pointer.click"}, {"x", -1}, {"y", 5}}, "foreground");
    EXPECT_EQ(outside["error"]["message"], "Punktet ligger utenfor vinduet.");
    EXPECT_TRUE(hasObservation());
    EXPECT_TRUE(harness->desktop().eventLog().empty() ||
                harness->desktop().eventLog().back().value("source", "") != "program");
}

TEST_F(Act, AClickOnAnUnobservedChildResolvesToItsObservedAncestor) {
    start();
    auto id = harness
                  ->request({{"id", "shallow"},
                             {"op", "observe"},
                             {"pid", 501},
                             {"windowId", 101},
                             {"depth", 2}})["result"]["observationId"]
                  .get<std::string>();
    auto record = harness->engine().currentObservation();
    std::string cell;
    for (const auto& nodeId : record->order) {
        if (record->nodes.at(nodeId).role == "AXCell") {
            cell = nodeId;
        }
    }
    ASSERT_FALSE(cell.empty());
    auto response =
        act(id, {{"type", "pointer.click"}, {"x", 40}, {"y", 215}, {"expectElementId", cell}},
            "foreground");
    ASSERT_EQ(response["ok"], true) << response.dump();
    EXPECT_EQ(response["result"]["target"]["elementId"], cell);
}

TEST_F(Act, AnApprovedElementThatIsNotTheHitForgetsTheObservation) {
    start();
    auto id = observe();
    auto approved = elementId("Varsle");
    auto actual = elementId("Lagre");
    auto response =
        act(id, {{"type", "pointer.click"}, {"x", 50}, {"y", 90}, {"expectElementId", approved}},
            "foreground");
    EXPECT_EQ(response["error"]["code"], "unresolved_target");
    EXPECT_EQ(response["error"]["details"], (Json{{"approved", approved}, {"actual", actual}}));
    EXPECT_FALSE(hasObservation());
}

TEST_F(Act, ADragMayNotEndOnAPasswordField) {
    start();
    auto id = observe();
    auto response =
        act(id, {{"type", "pointer.drag"}, {"x", 50}, {"y", 50}, {"to", {{"x", 50}, {"y", 130}}}},
            "foreground");
    EXPECT_EQ(
        response["error"],
        (Json{{"code", "denied_target"},
              {"message", "Sluttpunktet treffer et passordfelt. Orvel Rire slipper ikke der."}}));
    auto noEnd = act(id, {{"type", "pointer.drag"}, {"x", 50}, {"y", 50}}, "foreground");
    EXPECT_EQ(noEnd["error"]["message"], "Draget mangler sluttpunkt.");
}

TEST_F(Act, TypingNeedsFocusInTheObservedWindow) {
    Json scenario = notesDesktop();
    scenario["apps"][0].erase("focusedElement");
    start(scenario);
    auto id = observe();
    auto none = act(id, {{"type", "key.type"}, {"text", "x"}}, "foreground");
    EXPECT_EQ(none["error"], (Json{{"code", "unresolved_target"},
                                   {"message", "Ingen element i appen har tastaturfokus."}}));
    auto press = act(id, {{"type", "key.press"}, {"key", "return"}}, "foreground");
    ASSERT_EQ(press["ok"], true) << press.dump();
    EXPECT_FALSE(press["result"].contains("target")) << "no focused element and no point";

    harness->desktop().apply({{"focus", "menu"}});
    id = observe();
    auto elsewhere = act(id, {{"type", "key.type"}, {"text", "x"}}, "foreground");
    EXPECT_EQ(elsewhere["error"]["code"], "foreground_lost");
}

TEST_F(Act, TheUserTakingOverWhileTypingHaltsAndReportsPartialInput) {
    Json scenario = notesDesktop();
    scenario["script"] = {
        {{"when", {{"posted", "keyDown"}, {"count", 3}}}, {"do", {{"userInput", "mouseMoved"}}}}};
    start(scenario);
    auto response =
        act(observe(), {{"type", "key.type"}, {"text", std::string(40, 'a')}}, "foreground");
    ASSERT_EQ(response["ok"], false) << response.dump();
    EXPECT_EQ(response["error"]["details"]["partial"], true);
    EXPECT_TRUE(response["error"]["details"].contains("typed"));
    auto stopped = harness->out().waitForEvent("stopped");
    ASSERT_TRUE(stopped);
    EXPECT_EQ((*stopped)["reason"], "user_input");
    EXPECT_FALSE(hasObservation());
    expectNothingHeld();
}

TEST_F(Act, AnotherAppComingForwardStopsTyping) {
    Json scenario = notesDesktop();
    scenario["script"] = {
        {{"when", {{"posted", "keyDown"}, {"count", 2}}}, {"do", {{"frontmost", 502}}}}};
    start(scenario);
    auto response =
        act(observe(), {{"type", "key.type"}, {"text", std::string(20, 'a')}}, "foreground");
    EXPECT_EQ(response["error"],
              (Json{{"code", "foreground_lost"},
                    {"message", "En annen app kom i forgrunnen. Handlingen ble stoppet."},
                    {"details", {{"typed", 8}, {"partial", true}}}}));
    expectNothingHeld();
}

TEST_F(Act, SecureInputTurnedOnStopsTyping) {
    Json scenario = notesDesktop();
    scenario["script"] = {
        {{"when", {{"posted", "keyUp"}, {"count", 1}}}, {"do", {{"secureInput", true}}}}};
    start(scenario);
    auto response =
        act(observe(), {{"type", "key.type"}, {"text", std::string(12, 'a')}}, "foreground");
    EXPECT_EQ(response["error"],
              (Json{{"code", "denied_target"},
                    {"message", "Sikker tastaturinnlesing ble slått på. Handlingen ble stoppet."},
                    {"details", {{"typed", 8}, {"partial", true}}}}));
    EXPECT_FALSE(hasObservation());
    expectNothingHeld();
}

TEST_F(Act, AMalformedModifierListIsRefusedBeforeAnythingIsSent) {
    start();
    auto id = observe();
    auto response =
        act(id, {{"type", "key.press"}, {"key", "x"}, {"modifiers", {"cmd", 1}}}, "foreground");
    EXPECT_EQ(response["error"],
              (Json{{"code", "invalid_request"},
                    {"message", "Feltet modifiers må være en liste med tekster."},
                    {"details", {{"field", "modifiers"}}}}));
    auto click =
        act(id, {{"type", "pointer.click"}, {"x", 50}, {"y", 90}, {"button", false}}, "foreground");
    EXPECT_EQ(click["error"]["message"], "Feltet button må være en tekst.");
    EXPECT_TRUE(harness->desktop().eventLog().empty());
    EXPECT_EQ(harness->desktop().frontmostPid(), 502) << "refused before the app came forward";
    EXPECT_TRUE(hasObservation());
}

TEST_F(Act, AGuardFailureBetweenClicksReportsTheClickThatArrived) {
    Json scenario = notesDesktop();
    scenario["script"] = {
        {{"when", {{"posted", "leftMouseUp"}, {"count", 1}}}, {"do", {{"frontmost", 502}}}}};
    start(scenario);
    auto response = act(observe(), {{"type", "pointer.click"}, {"x", 50}, {"y", 90}, {"count", 2}},
                        "foreground");
    EXPECT_EQ(response["error"],
              (Json{{"code", "foreground_lost"},
                    {"message", "En annen app kom i forgrunnen. Handlingen ble stoppet."},
                    {"details", {{"clicks", 1}, {"partial", true}}}}));
    EXPECT_FALSE(hasObservation());
    expectNothingHeld();
}

TEST_F(Act, AnEventThatCannotBeMadeBeforeAnythingWasSentIsAFailureNotASubmission) {
    Json scenario = notesDesktop();
    scenario["uncreatableEvents"] = {{"keyDown", 1}};
    start(scenario);
    auto response = act(observe(), {{"type", "key.press"}, {"key", "return"}}, "foreground");
    EXPECT_EQ(response["error"],
              (Json{{"code", "input_unavailable"},
                    {"message", "Kunne ikke lage tastetrykket. Ingenting ble sendt."},
                    {"details", {{"partial", false}}}}));
    EXPECT_TRUE(hasObservation()) << "nothing happened to the app";
    for (const auto& event : harness->desktop().eventLog()) {
        EXPECT_NE(event["source"], "program") << event;
    }
}

TEST_F(Act, AnEventThatCannotBeMadeAfterSomeInputArrivedIsAPartialFailure) {
    Json scenario = notesDesktop();
    scenario["uncreatableEvents"] = {{"leftMouseDown", 1}};
    start(scenario);
    auto response = act(observe(), {{"type", "pointer.click"}, {"x", 50}, {"y", 90}}, "foreground");
    EXPECT_EQ(
        response["error"],
        (Json{{"code", "input_unavailable"},
              {"message", "Kunne ikke lage musehendelsen. Handlingen ble bare delvis utført."},
              {"details", {{"clicks", 0}, {"partial", true}}}}));
    EXPECT_FALSE(hasObservation());
    expectNothingHeld();
}

TEST_F(Act, ForegroundModeNeedsTheListener) {
    Json scenario = notesDesktop();
    scenario["permissions"] = {{"inputMonitoring", false}};
    start(scenario);
    auto response = act(observe(), {{"type", "pointer.click"}, {"x", 50}, {"y", 90}}, "foreground");
    EXPECT_EQ(response["error"]["code"], "permission_denied");
    EXPECT_EQ(response["error"]["details"]["permission"], "inputMonitoring");
    EXPECT_EQ(response["error"]["details"]["listener"]["reason"], "input_monitoring_denied");
    EXPECT_EQ(harness->desktop().frontmostPid(), 502);
}

} // namespace
} // namespace orvel::testing
