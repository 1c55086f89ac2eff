// Reading and operating elements: value types, the application and window relations, status
// codes for absent, scripted and removed elements, hit testing and handle identity.
#include "SimTestSupport.hpp"

#include "platform/AccessibilityService.hpp"

#include <gtest/gtest.h>

namespace orvel::sim::testing {
namespace {

namespace ax = platform::ax;
using platform::AXValue;
using platform::ElementHandle;

const char* const notes = R"({
  "apps": [{"pid": 501, "name": "Notes", "focusedElement": "field"},
           {"pid": 502, "name": "Other", "axWindows": ["other-b", "other-a"]}],
  "windows": [
    {"windowId": 101, "pid": 501, "title": "Notes", "frame": {"x": 100, "y": 100, "width": 400, "height": 300},
     "tree": {"id": "win", "children": [
       {"id": "field", "role": "AXTextField", "value": "hei", "settable": ["AXValue", "AXFocused"],
        "frame": {"x": 110, "y": 130, "width": 200, "height": 30}},
       {"id": "count", "role": "AXStaticText", "value": 3, "enabled": false,
        "frame": {"x": 110, "y": 170, "width": 50, "height": 20}},
       {"id": "group", "role": "AXGroup", "frame": {"x": 300, "y": 200, "width": 150, "height": 150}, "children": [
         {"id": "inner", "role": "AXButton", "title": "OK", "actions": ["AXPress"],
          "frame": {"x": 310, "y": 210, "width": 60, "height": 30}}]},
       {"id": "weird", "attributes": {"AXRole": 3, "AXParent": null, "AXLink": {"element": "inner"},
                                      "AXBounds": {"left": 1}, "AXPoints": [{"x": 1, "y": 2}, "two"]},
        "errors": {"AXTitle": -25200}, "title": "hidden by an error"}
     ]}},
    {"windowId": 102, "pid": 501, "title": "Server only", "frame": {"x": 600, "y": 100, "width": 200, "height": 200}},
    {"windowId": 201, "pid": 502, "title": "A", "frame": {"x": 0, "y": 500, "width": 100, "height": 100},
     "tree": {"id": "other-a"}},
    {"windowId": 202, "pid": 502, "title": "B", "frame": {"x": 200, "y": 500, "width": 100, "height": 100},
     "tree": {"id": "other-b"}}
  ]})";

class Accessibility : public ::testing::Test {
  protected:
    std::unique_ptr<SimulatedDesktop> desktop = loadDesktop(notes);
    platform::AccessibilityService& ax = desktop->platform().accessibility;

    ElementHandle element(const ElementHandle& from, const std::string& attribute) {
        auto answer = ax.copyAttributeValue(from, attribute);
        EXPECT_TRUE(answer.ok()) << attribute << " " << answer.status;
        EXPECT_EQ(answer.value.kind, AXValue::Kind::element) << attribute;
        return answer.value.element;
    }
    std::vector<ElementHandle> children(const ElementHandle& from) {
        std::vector<ElementHandle> result;
        for (const auto& child : ax.copyAttributeValue(from, "AXChildren").value.array) {
            result.push_back(child.element);
        }
        return result;
    }
    ElementHandle window() { return element(ax.createApplication(501), "AXFocusedWindow"); }
};

TEST_F(Accessibility, ValuesKeepThePlatformsTypes) {
    const auto items = children(window());
    ASSERT_EQ(items.size(), 4u);
    auto text = ax.copyAttributeValue(items[0], "AXValue");
    EXPECT_EQ(text.value.kind, AXValue::Kind::string);
    EXPECT_EQ(text.value.string, "hei");
    auto number = ax.copyAttributeValue(items[1], "AXValue");
    EXPECT_EQ(number.value.kind, AXValue::Kind::number);
    EXPECT_FALSE(number.value.isBoolean);
    EXPECT_EQ(number.value.number, 3);
    auto enabled = ax.copyAttributeValue(items[1], "AXEnabled");
    EXPECT_EQ(enabled.value.kind, AXValue::Kind::number);
    EXPECT_TRUE(enabled.value.isBoolean);
    EXPECT_EQ(enabled.value.number, 0);
    auto focused = ax.copyAttributeValue(items[0], "AXFocused");
    EXPECT_TRUE(focused.value.isBoolean);
    EXPECT_EQ(focused.value.number, 1);
    auto position = ax.copyAttributeValue(items[0], "AXPosition");
    EXPECT_EQ(position.value.kind, AXValue::Kind::point);
    EXPECT_EQ(position.value.point, (Point{110, 130}));
    auto size = ax.copyAttributeValue(items[0], "AXSize");
    EXPECT_EQ(size.value.kind, AXValue::Kind::size);
    EXPECT_EQ(size.value.size, (Size{200, 30}));

    // Raw attributes win over named ones and may be of any type; absent ones are unsupported.
    const auto& weird = items[3];
    auto role = ax.copyAttributeValue(weird, "AXRole");
    EXPECT_EQ(role.value.kind, AXValue::Kind::number);
    EXPECT_EQ(role.value.number, 3);
    EXPECT_EQ(ax.copyAttributeValue(weird, "AXParent").status, ax::attributeUnsupported);
    EXPECT_EQ(ax.copyAttributeValue(weird, "AXTitle").status, -25200);
    EXPECT_EQ(ax.copyAttributeValue(weird, "AXSubrole").status, ax::attributeUnsupported);
    EXPECT_EQ(ax.copyAttributeValue(weird, "AXBounds").value.kind, AXValue::Kind::other);
    auto points = ax.copyAttributeValue(weird, "AXPoints");
    ASSERT_EQ(points.value.array.size(), 2u);
    EXPECT_EQ(points.value.array[0].kind, AXValue::Kind::point);
    EXPECT_EQ(points.value.array[1].kind, AXValue::Kind::string);
    auto link = element(weird, "AXLink");
    EXPECT_EQ(ax.copyAttributeValue(link, "AXTitle").value.string, "OK");
}

TEST_F(Accessibility, ElementsKnowTheirParentWindowAndApplication) {
    auto app = ax.createApplication(501);
    EXPECT_EQ(ax.copyAttributeValue(app, "AXRole").value.string, "AXApplication");
    auto win = window();
    EXPECT_EQ(ax.copyAttributeValue(win, "AXRole").value.string, "AXWindow");
    EXPECT_TRUE(ax.equal(element(win, "AXParent"), app));
    EXPECT_TRUE(ax.equal(element(win, "AXWindow"), win));

    auto inner = children(children(win)[2])[0];
    EXPECT_TRUE(ax.equal(element(inner, "AXWindow"), win));
    EXPECT_TRUE(ax.equal(element(inner, "AXParent"), children(win)[2]));
    EXPECT_TRUE(ax.equal(element(app, "AXFocusedUIElement"), children(win)[0]));
    EXPECT_EQ(ax.getPid(inner).value, 501);

    // "AXWindows" follows the given order; the focused window defaults to the first with a tree.
    auto other = ax.createApplication(502);
    auto windows = ax.copyAttributeValue(other, "AXWindows").value.array;
    ASSERT_EQ(windows.size(), 2u);
    EXPECT_EQ(ax.copyAttributeValue(windows[0].element, "AXTitle").value.string, "B");
    EXPECT_EQ(ax.copyAttributeValue(element(other, "AXFocusedWindow"), "AXTitle").value.string,
              "A");

    EXPECT_EQ(ax.copyAttributeValue(ax.createApplication(999), "AXRole").status,
              ax::invalidElement);
    EXPECT_EQ(ax.copyAttributeValue(ElementHandle(), "AXRole").status, -25201);
}

TEST_F(Accessibility, ActionsAndSettableAttributesAreThoseGiven) {
    const auto items = children(window());
    EXPECT_EQ(ax.copyActionNames(children(items[2])[0]).value,
              (std::vector<std::string>{"AXPress"}));
    EXPECT_TRUE(ax.copyActionNames(items[0]).value.empty());
    EXPECT_TRUE(ax.isAttributeSettable(items[0], "AXValue").value);
    EXPECT_TRUE(ax.isAttributeSettable(items[0], "AXFocused").value);
    EXPECT_FALSE(ax.isAttributeSettable(items[1], "AXValue").value);
    EXPECT_FALSE(ax.isAttributeSettable(ax.createApplication(501), "AXValue").value);
    EXPECT_EQ(ax.performAction(items[0], "AXPress"), ax::actionUnsupported);
    EXPECT_EQ(ax.performAction(ax.createApplication(501), "AXPress"), ax::actionUnsupported);
}

TEST_F(Accessibility, RemovedElementsAnswerInvalidForGood) {
    auto win = window();
    auto field = children(win)[0];
    auto group = children(win)[2];
    auto inner = children(group)[0];
    desktop->apply({{"remove", "group"}});
    EXPECT_EQ(ax.copyAttributeValue(group, "AXRole").status, ax::invalidElement);
    EXPECT_EQ(ax.copyAttributeValue(inner, "AXRole").status, ax::invalidElement);
    EXPECT_EQ(ax.performAction(inner, "AXPress"), ax::invalidElement);
    EXPECT_EQ(ax.copyActionNames(inner).status, ax::invalidElement);
    EXPECT_EQ(children(win).size(), 3u);
    EXPECT_FALSE(desktop->elementAttribute("inner", "AXRole"));

    // An element added again under the same id is another element.
    desktop->apply(
        {{"add", {{"parent", "win"}, {"element", {{"id", "group"}, {"role", "AXGroup"}}}}}});
    auto again = children(win).back();
    EXPECT_TRUE(ax.copyAttributeValue(again, "AXRole").ok());
    EXPECT_FALSE(ax.equal(again, group));
    EXPECT_EQ(ax.copyAttributeValue(group, "AXRole").status, ax::invalidElement);

    // A second add with an id in use changes nothing.
    desktop->apply({{"add", {{"parent", "win"}, {"element", {{"id", "field"}}}}}});
    EXPECT_EQ(children(win).size(), 4u);

    desktop->apply({{"quit", 501}});
    EXPECT_EQ(ax.copyAttributeValue(field, "AXValue").status, ax::invalidElement);
    EXPECT_EQ(ax.copyAttributeValue(ax.createApplication(501), "AXWindows").status,
              ax::invalidElement);
}

TEST_F(Accessibility, WithoutTrustEveryMessageIsRefused) {
    auto win = window();
    desktop->apply({{"permissions", {{"accessibility", false}}}});
    EXPECT_FALSE(ax.isProcessTrusted(false));
    EXPECT_EQ(ax.copyAttributeValue(win, "AXRole").status, ax::apiDisabled);
    EXPECT_EQ(ax.performAction(win, "AXRaise"), ax::apiDisabled);
    EXPECT_EQ(ax.copyElementAtPosition(ax.createSystemWide(), 150, 140).status, ax::apiDisabled);
    desktop->apply({{"permissions", {{"accessibility", true}}}});
    EXPECT_TRUE(ax.copyAttributeValue(win, "AXRole").ok());
}

TEST_F(Accessibility, APromptGrantsTrustOnlyWhenTheScenarioSaysSo) {
    auto refusing = loadDesktop(R"({"permissions": {"accessibility": false}})");
    EXPECT_FALSE(refusing->platform().accessibility.isProcessTrusted(true));
    EXPECT_FALSE(refusing->platform().accessibility.isProcessTrusted(false));

    auto granting =
        loadDesktop(R"({"permissions": {"accessibility": false}, "grantOnRequest": true})");
    auto& trust = granting->platform().accessibility;
    EXPECT_FALSE(trust.isProcessTrusted(false));
    EXPECT_FALSE(trust.isProcessTrusted(false));
    EXPECT_FALSE(trust.isProcessTrusted(true));
    EXPECT_TRUE(trust.isProcessTrusted(false));
}

TEST_F(Accessibility, TheElementAtAPointIsTheDeepestInTheFrontWindow) {
    auto systemWide = ax.createSystemWide();
    auto hit = ax.copyElementAtPosition(systemWide, 320, 220);
    ASSERT_TRUE(hit.ok());
    EXPECT_EQ(ax.copyAttributeValue(hit.value, "AXTitle").value.string, "OK");
    EXPECT_EQ(ax.getPid(hit.value).value, 501);

    // Inside the group but beside its button: the group. The far edges are outside.
    auto group = ax.copyElementAtPosition(systemWide, 400, 300);
    EXPECT_EQ(ax.copyAttributeValue(group.value, "AXRole").value.string, "AXGroup");
    auto windowItself = ax.copyElementAtPosition(systemWide, 450, 350);
    EXPECT_EQ(ax.copyAttributeValue(windowItself.value, "AXRole").value.string, "AXWindow");
    auto besideField = ax.copyElementAtPosition(systemWide, 310, 140);
    EXPECT_EQ(ax.copyAttributeValue(besideField.value, "AXRole").value.string, "AXWindow");

    EXPECT_EQ(ax.copyElementAtPosition(systemWide, 650, 150).status, ax::cannotComplete); // no tree
    EXPECT_EQ(ax.copyElementAtPosition(systemWide, 1400, 900).status,
              ax::cannotComplete); // no window
    EXPECT_EQ(ax.copyElementAtPosition(window(), 320, 220).status, -25201);

    // The application element looks only at its own windows.
    EXPECT_EQ(ax.copyElementAtPosition(ax.createApplication(502), 320, 220).status,
              ax::cannotComplete);
    EXPECT_TRUE(ax.copyElementAtPosition(ax.createApplication(502), 10, 510).ok());

    desktop->apply({{"hideWindow", 101}});
    EXPECT_EQ(ax.copyElementAtPosition(systemWide, 320, 220).status, ax::cannotComplete);
}

TEST_F(Accessibility, HandlesAreEqualWhenTheyDenoteTheSameElement) {
    EXPECT_TRUE(ax.equal(ax.createApplication(501), ax.createApplication(501)));
    EXPECT_FALSE(ax.equal(ax.createApplication(501), ax.createApplication(502)));
    EXPECT_TRUE(ax.equal(ax.createSystemWide(), ax.createSystemWide()));
    EXPECT_TRUE(ax.equal(window(), window()));
    EXPECT_FALSE(ax.equal(ElementHandle(), ElementHandle()));

    // A handle of another desktop is nothing here, even for the same scenario.
    auto twin = loadDesktop(notes);
    auto foreign = twin->platform().accessibility.createApplication(501);
    EXPECT_FALSE(ax.equal(foreign, ax.createApplication(501)));
    EXPECT_EQ(ax.copyAttributeValue(foreign, "AXRole").status, ax::invalidElement);
    EXPECT_EQ(ax.getPid(ax.createSystemWide()).status, -25201);
}

} // namespace
} // namespace orvel::sim::testing
