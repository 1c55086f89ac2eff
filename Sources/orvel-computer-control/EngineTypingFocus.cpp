// Proving where keyboard input will go before any key event is sent.
#include "Engine.hpp"

#include "OrvelControlCore/ElementCheck.hpp"

namespace orvel {

Engine::TypingFocus Engine::verifyTypingFocus(const ObservationRecord& record, const AppTarget& app,
                                              bool required) {
    if (platform_.events.isSecureEventInputEnabled()) {
        throw Failure("denied_target", "Sikker tastaturinnlesing er slått på: et passordfelt eller "
                                       "en beskyttet dialog har fokus.");
    }
    auto focused =
        accessibility_.element(accessibility_.application(app.pid), "AXFocusedUIElement");
    if (focused.isNull()) {
        if (required) {
            throw Failure("unresolved_target", "Ingen element i appen har tastaturfokus.");
        }
        return {};
    }
    auto snapshot = accessibility_.snapshot(focused);
    if (!snapshot) {
        throw Failure("unresolved_target", "Elementet med fokus svarer ikke.");
    }
    if (snapshot->secure) {
        throw Failure("denied_target",
                      "Feltet med fokus er et passordfelt. Orvel Rire skriver ikke der.");
    }
    auto window = accessibility_.windowOf(focused);
    if (window.isNull()) {
        throw Failure("unresolved_target", "Kunne ikke fastslå hvilket vindu som har "
                                           "tastaturfokus. Orvel Rire skriver ikke i blinde.");
    }
    if (!accessibility_.equal(window, record.axWindow)) {
        throw Failure("foreground_lost", "Tastaturfokus ligger i et annet vindu enn det valgte.");
    }
    const ObservedNode* node = record.node(accessibility_, focused, mostAncestors);
    if (node == nullptr) {
        if (required) {
            throw Failure("unresolved_target", "Elementet med fokus er ikke med i observasjonen. "
                                               "Observer på nytt før du skriver.");
        }
        return {focused, nullptr};
    }
    verifyUnchanged(*node);
    return {focused, node};
}

} // namespace orvel
