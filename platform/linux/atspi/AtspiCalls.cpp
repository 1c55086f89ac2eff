#include "platform/linux/atspi/AtspiCalls.hpp"

#include "platform/linux/atspi/AtspiProtocol.hpp"

namespace orvel::linuxdesktop::calls {

namespace {

// Appends with sd_bus_message_append; a failure drops the message.
template <class... Args>
MessagePtr withArguments(MessagePtr message, const char* types, Args... arguments) {
    if (message && sd_bus_message_append(message.get(), types, arguments...) < 0) {
        return nullptr;
    }
    return message;
}

MessagePtr method(BusConnection& bus, const ObjectRef& object, const char* interface,
                  const char* member) {
    return bus.methodCall(object.bus, object.path, interface, member);
}

MessagePtr property(BusConnection& bus, const ObjectRef& object, const char* interface,
                    const char* name) {
    return withArguments(method(bus, object, atspi::propertiesInterface, "Get"), "ss", interface,
                         name);
}

MessagePtr daemonCall(BusConnection& bus, const char* member) {
    return bus.methodCall("org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus",
                          member);
}

} // namespace

MessagePtr getRole(BusConnection& bus, const ObjectRef& object) {
    return method(bus, object, atspi::accessibleInterface, "GetRole");
}

MessagePtr getState(BusConnection& bus, const ObjectRef& object) {
    return method(bus, object, atspi::accessibleInterface, "GetState");
}

MessagePtr getInterfaces(BusConnection& bus, const ObjectRef& object) {
    return method(bus, object, atspi::accessibleInterface, "GetInterfaces");
}

MessagePtr getChildren(BusConnection& bus, const ObjectRef& object) {
    return method(bus, object, atspi::accessibleInterface, "GetChildren");
}

MessagePtr name(BusConnection& bus, const ObjectRef& object) {
    return property(bus, object, atspi::accessibleInterface, "Name");
}

MessagePtr description(BusConnection& bus, const ObjectRef& object) {
    return property(bus, object, atspi::accessibleInterface, "Description");
}

MessagePtr parent(BusConnection& bus, const ObjectRef& object) {
    return property(bus, object, atspi::accessibleInterface, "Parent");
}

MessagePtr screenExtents(BusConnection& bus, const ObjectRef& object) {
    return withArguments(method(bus, object, atspi::componentInterface, "GetExtents"), "u",
                         atspi::screenCoordinates);
}

MessagePtr grabFocus(BusConnection& bus, const ObjectRef& object) {
    return method(bus, object, atspi::componentInterface, "GrabFocus");
}

MessagePtr accessibleAtPoint(BusConnection& bus, const ObjectRef& object, std::int32_t x,
                             std::int32_t y) {
    return withArguments(method(bus, object, atspi::componentInterface, "GetAccessibleAtPoint"),
                         "iiu", x, y, atspi::screenCoordinates);
}

MessagePtr characterCount(BusConnection& bus, const ObjectRef& object) {
    return property(bus, object, atspi::textInterface, "CharacterCount");
}

MessagePtr text(BusConnection& bus, const ObjectRef& object, std::int32_t start, std::int32_t end) {
    return withArguments(method(bus, object, atspi::textInterface, "GetText"), "ii", start, end);
}

MessagePtr setTextContents(BusConnection& bus, const ObjectRef& object, const std::string& text) {
    return withArguments(method(bus, object, atspi::editableTextInterface, "SetTextContents"), "s",
                         text.c_str());
}

MessagePtr currentValue(BusConnection& bus, const ObjectRef& object) {
    return property(bus, object, atspi::valueInterface, "CurrentValue");
}

MessagePtr setCurrentValue(BusConnection& bus, const ObjectRef& object, double value) {
    return withArguments(method(bus, object, atspi::propertiesInterface, "Set"), "ssv",
                         atspi::valueInterface, "CurrentValue", "d", value);
}

MessagePtr actionCount(BusConnection& bus, const ObjectRef& object) {
    return property(bus, object, atspi::actionInterface, "NActions");
}

MessagePtr actionName(BusConnection& bus, const ObjectRef& object, std::int32_t index) {
    return withArguments(method(bus, object, atspi::actionInterface, "GetName"), "i", index);
}

MessagePtr doAction(BusConnection& bus, const ObjectRef& object, std::int32_t index) {
    return withArguments(method(bus, object, atspi::actionInterface, "DoAction"), "i", index);
}

MessagePtr firstDescendantWithStates(BusConnection& bus, const ObjectRef& object,
                                     std::uint64_t states) {
    MessagePtr message = method(bus, object, atspi::collectionInterface, "GetMatches");
    if (!message) {
        return nullptr;
    }
    sd_bus_message* raw = message.get();
    auto low = static_cast<std::int32_t>(states & 0xffffffffU);
    auto high = static_cast<std::int32_t>(states >> 32);
    // The rule (aiia{ss}iaiiasib): the states, all of them; no attributes, roles or
    // interfaces asked for, with match type "all", which empty criteria always pass (the
    // GTK bridge does not implement match type "empty"); not inverted.
    bool built = sd_bus_message_open_container(raw, 'r', "aiia{ss}iaiiasib") >= 0 &&
                 sd_bus_message_append(raw, "ai", 2, low, high) >= 0 &&
                 sd_bus_message_append(raw, "i", atspi::matchAll) >= 0 &&
                 sd_bus_message_append(raw, "a{ss}", 0) >= 0 &&
                 sd_bus_message_append(raw, "i", atspi::matchAll) >= 0 &&
                 sd_bus_message_append(raw, "ai", 0) >= 0 &&
                 sd_bus_message_append(raw, "i", atspi::matchAll) >= 0 &&
                 sd_bus_message_append(raw, "as", 0) >= 0 &&
                 sd_bus_message_append(raw, "i", atspi::matchAll) >= 0 &&
                 sd_bus_message_append(raw, "b", 0) >= 0 &&
                 sd_bus_message_close_container(raw) >= 0 &&
                 sd_bus_message_append(raw, "uib", atspi::canonicalOrder, 1, 1) >= 0;
    return built ? std::move(message) : nullptr;
}

MessagePtr cacheItems(BusConnection& bus, const std::string& application) {
    return bus.methodCall(application, atspi::cachePath, atspi::cacheInterface, "GetItems");
}

MessagePtr registryApplications(BusConnection& bus) {
    return bus.methodCall(atspi::registryName, atspi::rootPath, atspi::accessibleInterface,
                          "GetChildren");
}

MessagePtr registerEvent(BusConnection& bus, const std::string& event) {
    return withArguments(bus.methodCall(atspi::registryName, atspi::registryPath,
                                        atspi::registryInterface, "RegisterEvent"),
                         "sass", event.c_str(), 0, "");
}

MessagePtr connectionPid(BusConnection& bus, const std::string& uniqueName) {
    return withArguments(daemonCall(bus, "GetConnectionUnixProcessID"), "s", uniqueName.c_str());
}

MessagePtr nameHasOwner(BusConnection& bus, const std::string& name) {
    return withArguments(daemonCall(bus, "NameHasOwner"), "s", name.c_str());
}

MessagePtr launcherAddress(BusConnection& session) {
    return session.methodCall(atspi::launcherName, atspi::launcherPath, atspi::launcherInterface,
                              "GetAddress");
}

MessagePtr enableAccessibility(BusConnection& session) {
    return withArguments(session.methodCall(atspi::launcherName, atspi::launcherPath,
                                            atspi::propertiesInterface, "Set"),
                         "ssv", atspi::statusInterface, "IsEnabled", "b", 1);
}

} // namespace orvel::linuxdesktop::calls
