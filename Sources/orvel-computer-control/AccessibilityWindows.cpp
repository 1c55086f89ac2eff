// Finding the accessibility window of a window-server window, and the window of an element.
#include "Accessibility.hpp"

#include "OrvelControlCore/Failure.hpp"
#include "OrvelControlCore/Payload.hpp"
#include "OrvelControlCore/Text.hpp"
#include "OrvelControlCore/WindowMatch.hpp"

namespace orvel {

namespace {

constexpr std::size_t mostWindows = 64;
constexpr int mostWindowAncestors = 24;

} // namespace

Accessibility::Element Accessibility::axWindow(std::int32_t pid, const WindowTarget& target,
                                               const Deadline& deadline) {
    ensureTrusted();
    deadline.check();
    Element application = this->application(pid);
    auto read = value(application, "AXWindows", &deadline);
    std::vector<Element> windows;
    if (read && read->kind == platform::AXValue::Kind::array) {
        for (const auto& item : read->array) {
            // An array holding anything but elements is not a list of windows, as with
            // children: a window picked out of a malformed answer could be the wrong one.
            if (item.kind != platform::AXValue::Kind::element) {
                windows.clear();
                break;
            }
            windows.push_back(item.element);
        }
    }
    if (windows.empty()) {
        throw Failure("target_missing", "Appen har ingen vinduer tilgjengelig for styring.");
    }
    if (windows.size() > mostWindows) {
        windows.resize(mostWindows);
    }
    std::vector<WindowCandidate> candidates;
    for (const auto& window : windows) {
        candidates.push_back(WindowCandidate{frame(window, &deadline),
                                             string(window, "AXTitle", &deadline).value_or("")});
    }
    auto resolution = WindowMatch::resolve(target.frame, target.title, candidates);
    switch (resolution.kind) {
    case WindowResolution::Kind::unique:
        return windows[static_cast<std::size_t>(resolution.indices.front())];
    case WindowResolution::Kind::ambiguous:
        throw Failure(
            "ambiguous_target",
            "Flere vinduer i appen har samme plassering og størrelse. Orvel Rire handler ikke før "
            "vinduet er entydig.",
            Json{{"candidates", resolution.indices.size()}});
    case WindowResolution::Kind::contradicted:
        throw Failure("ambiguous_target",
                      "Vinduet på denne plasseringen har en annen tittel enn det valgte. Velg "
                      "vinduet på nytt.",
                      Json{{"expected", truncated(target.title, 120)},
                           {"actual", truncated(resolution.title, 120)}});
    case WindowResolution::Kind::none:
        break;
    }
    throw Failure("target_missing", "Fant ikke vinduet i appens tilgjengelighetstre. Vinduet kan "
                                    "være flyttet, minimert eller lukket.");
}

Accessibility::Element Accessibility::windowOf(const Element& element) {
    Element window = this->element(element, "AXWindow");
    if (!window.isNull()) {
        return window;
    }
    Element current = element;
    for (int examined = 0; examined < mostWindowAncestors && !current.isNull(); ++examined) {
        if (auto role = string(current, "AXRole");
            role && text::canonicallyEqual(*role, "AXWindow")) {
            return current;
        }
        current = this->element(current, "AXParent");
    }
    return {};
}

} // namespace orvel
