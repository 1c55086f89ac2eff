// Reads a scenario document into a `Scenario`, checking the whole contract: the type of every
// key, the known names of every enumeration, unique pids, window numbers and element ids, and
// that everything a scenario refers to by id, window number or pid exists where that can be
// known before the desktop runs. Unknown top-level keys are ignored (later scenarios may add
// optional ones); unknown keys anywhere else are refused, since they are almost always typos.
//
// Failures throw `ScenarioError` with "<place> <problem>". Pure apart from the process ids it
// is handed; one parser reads one document.
#pragma once

#include "platform/sim/Scenario.hpp"
#include "platform/sim/ScenarioNode.hpp"

#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace orvel::sim {

// What "self" and "parent" stand for where a scenario gives a pid.
struct ProcessPids {
    std::int32_t self = 0;
    std::int32_t parent = 0;
};

// The scenario in `text`, or nothing with `error` set to "<source> " and the problem, on one
// line, when the text is not JSON or does not follow the contract.
std::optional<Scenario> parseScenarioText(std::string_view text, const std::string& source,
                                          ProcessPids pids, std::string& error);

class ScenarioParser {
  public:
    explicit ScenarioParser(ProcessPids pids) : pids_(pids) {}

    Scenario parse(const Json& document);

    // One effect or script action on its own, as `SimulatedDesktop::apply` receives it; what it
    // refers to is looked up only when it runs.
    Action parseAction(const ScenarioNode& node);

  private:
    struct Reference {
        std::string target;
        std::string path;
    };

    std::vector<Display> parseDisplays(const ScenarioNode& node);
    Display parseDisplay(const ScenarioNode& node);
    Permissions parsePermissions(const ScenarioNode& node);
    TapMode parseTapMode(const ScenarioNode& node);
    AppModel parseApp(const ScenarioNode& node);
    WindowModel parseWindow(const ScenarioNode& node);
    ElementModel parseElement(const ScenarioNode& node);
    void applyWindowDefaults(ElementModel& root, const ScenarioNode& tree,
                             const WindowModel& window);
    ScriptStep parseStep(const ScenarioNode& node);
    std::vector<Action> parseActions(const ScenarioNode& node);
    SetAttribute parseSet(const ScenarioNode& node);
    AddElement parseAdd(const ScenarioNode& node);
    MoveWindow parseMove(const ScenarioNode& node);
    SetPermissions parsePermissionChange(const ScenarioNode& node);
    Rect parseRect(const ScenarioNode& node);
    Point parsePoint(const ScenarioNode& node);
    std::int32_t parsePid(const ScenarioNode& node);
    std::uint32_t parseWindowId(const ScenarioNode& node);
    std::optional<std::string> optionalText(const ScenarioNode& node);
    // A text the platform hands over as an application gave it: a string, raw bytes or null.
    std::optional<std::string> optionalHandedText(const ScenarioNode& node);
    std::string elementReference(const ScenarioNode& node);
    std::uint32_t windowReference(const ScenarioNode& node);
    std::int32_t pidReference(const ScenarioNode& node);
    void noteRawReferences(const ScenarioNode& node);
    void declareElement(const std::string& id, const std::string& path);

    void collectTree(const ElementModel& element, std::int32_t pid);
    void checkUniqueApps(const std::vector<AppModel>& apps, const ScenarioNode& node);
    void checkWindows(const std::vector<WindowModel>& windows, const ScenarioNode& node);
    void checkAppFocus(const AppModel& app, const std::vector<WindowModel>& windows,
                       const ScenarioNode& node);
    void checkReferences() const;

    ProcessPids pids_;
    std::map<std::string, std::string> declaredElements_; // id -> where it was declared
    std::map<std::string, std::int32_t> initialElements_; // id -> pid, elements present at start
    std::set<std::int32_t> appPids_;
    std::set<std::uint32_t> windowIds_;
    std::vector<Reference> elementReferences_;
    std::vector<std::pair<std::uint32_t, std::string>> windowReferences_;
    std::vector<std::pair<std::int32_t, std::string>> pidReferences_;
};

} // namespace orvel::sim
