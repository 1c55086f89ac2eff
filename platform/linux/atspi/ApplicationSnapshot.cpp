#include "platform/linux/atspi/ApplicationSnapshot.hpp"

#include "platform/linux/atspi/ReplyReaders.hpp"

#include <algorithm>
#include <cstring>

namespace orvel::linuxdesktop {

namespace {

constexpr const char* itemsSignature = "a((so)(so)(so)iiassusau)";
constexpr const char* itemType = "((so)(so)(so)iiassusau)";
constexpr const char* itemContents = "(so)(so)(so)iiassusau";

namespace ax = platform::ax;

} // namespace

std::optional<ApplicationSnapshot> ApplicationSnapshot::parse(const Reply& reply,
                                                              const std::string& application) {
    if (!reply.ok()) {
        return std::nullopt;
    }
    sd_bus_message* message = reply.message.get();
    const char* signature = sd_bus_message_get_signature(message, 1);
    if (signature == nullptr || std::strcmp(signature, itemsSignature) != 0 ||
        sd_bus_message_rewind(message, 1) < 0 ||
        sd_bus_message_enter_container(message, 'a', itemType) <= 0) {
        return std::nullopt;
    }
    ApplicationSnapshot snapshot;
    snapshot.application_ = application;
    for (;;) {
        int entered = sd_bus_message_enter_container(message, 'r', itemContents);
        if (entered < 0) {
            return std::nullopt;
        }
        if (entered == 0) {
            break;
        }
        ObjectRef object;
        ObjectRef owner;
        ObjectRef parent;
        std::int32_t index = 0;
        Item item;
        std::vector<std::string> interfaces;
        const char* name = nullptr;
        const char* description = nullptr;
        std::uint32_t role = 0;
        StateSet states;
        bool read = readObjectRefAt(message, object) && readObjectRefAt(message, owner) &&
                    readObjectRefAt(message, parent) &&
                    sd_bus_message_read(message, "ii", &index, &item.childCount) > 0 &&
                    readStringsAt(message, interfaces) &&
                    sd_bus_message_read(message, "sus", &name, &role, &description) > 0 &&
                    readStatesAt(message, states) && sd_bus_message_exit_container(message) >= 0;
        if (!read) {
            return std::nullopt;
        }
        if (object.bus != application) {
            continue;
        }
        item.facts.role = {ax::success, role};
        item.facts.states = {ax::success, states};
        item.facts.interfaces = {ax::success, std::move(interfaces)};
        item.facts.parent = {ax::success, parent};
        item.name = name;
        item.description = description;
        if (parent.bus == application && index >= 0) {
            snapshot.kids_[parent.path].emplace_back(index, object.path);
        }
        snapshot.items_[object.path] = std::move(item);
    }
    for (auto& [parent, children] : snapshot.kids_) {
        std::sort(children.begin(), children.end());
    }
    return snapshot;
}

const ApplicationSnapshot::Item* ApplicationSnapshot::find(const ObjectRef& object) const {
    if (object.bus != application_) {
        return nullptr;
    }
    auto found = items_.find(object.path);
    return found == items_.end() ? nullptr : &found->second;
}

std::optional<std::vector<ObjectRef>> ApplicationSnapshot::children(const ObjectRef& object) const {
    const Item* item = find(object);
    if (item == nullptr || item->childCount < 0) {
        return std::nullopt;
    }
    auto found = kids_.find(object.path);
    std::size_t expected = static_cast<std::size_t>(item->childCount);
    if (expected == 0) {
        return found == kids_.end()
                   ? std::optional<std::vector<ObjectRef>>(std::vector<ObjectRef>{})
                   : std::nullopt;
    }
    if (found == kids_.end() || found->second.size() != expected) {
        return std::nullopt;
    }
    std::vector<ObjectRef> children;
    children.reserve(expected);
    for (std::size_t index = 0; index < expected; ++index) {
        if (found->second[index].first != static_cast<std::int32_t>(index)) {
            return std::nullopt;
        }
        children.push_back(ObjectRef{application_, found->second[index].second});
    }
    return children;
}

} // namespace orvel::linuxdesktop
