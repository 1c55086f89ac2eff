// One application's bulk read (org.a11y.atspi.Cache.GetItems): every object it has exposed,
// with role, states, interfaces, name, description, parent, index in parent and child
// count, all read by the application at the moment it answered. An observation takes one at
// its start and drops it with its end.
//
// The objects are those the application's bridge keeps track of, which may lag behind its
// widgets for a moment: children are taken from it only where the parent's own child count
// and the children's indices agree exactly; anything else is read live.
//
// Immutable once parsed; read by the thread running the observation.
#pragma once

#include "platform/linux/atspi/BusMessage.hpp"
#include "platform/linux/atspi/ObjectFacts.hpp"

#include <map>
#include <optional>
#include <string>
#include <vector>

namespace orvel::linuxdesktop {

class ApplicationSnapshot {
  public:
    struct Item {
        ObjectFacts facts;
        std::string name;
        std::string description;
        std::int32_t childCount = 0;
    };

    // Parses a reply of GetItems from `application` (its unique bus name); none when the
    // reply is an error or of another layout than the current protocol's.
    static std::optional<ApplicationSnapshot> parse(const Reply& reply,
                                                    const std::string& application);

    const Item* find(const ObjectRef& object) const;
    // The object's children in order, when the snapshot holds all of them consistently.
    std::optional<std::vector<ObjectRef>> children(const ObjectRef& object) const;
    std::size_t size() const { return items_.size(); }

  private:
    std::string application_;
    std::map<std::string, Item> items_;                                             // by path
    std::map<std::string, std::vector<std::pair<std::int32_t, std::string>>> kids_; // by parent
};

} // namespace orvel::linuxdesktop
