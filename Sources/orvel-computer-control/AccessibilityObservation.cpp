// Observing a window: the bounded breadth-first traversal, what is read of each element,
// its JSON and the digest over the elements.
#include "Accessibility.hpp"

#include "OrvelControlCore/Failure.hpp"
#include "OrvelControlCore/Hashing.hpp"
#include "OrvelControlCore/Limits.hpp"
#include "OrvelControlCore/Payload.hpp"

#include <algorithm>
#include <cmath>
#include <deque>
#include <iterator>

namespace orvel {

namespace {

constexpr std::size_t mostChildren = 120;

struct PendingElement {
    platform::ElementHandle element;
    int depth = 0;
    std::optional<std::string> parent;
};

// A coordinate as a whole number of points, truncated toward zero; absent when it is not
// finite or does not fit a 64-bit integer, so that a hostile frame cannot make the digest
// depend on undefined conversions.
std::optional<long long> digestCoordinate(double value) {
    if (!std::isfinite(value) || std::fabs(value) >= 9.2e18) {
        return std::nullopt;
    }
    return static_cast<long long>(std::trunc(value));
}

// The frame part of a digest line; empty without a frame, and empty as well for a frame
// that cannot be written as integers (treated as absent).
std::string digestFrame(const std::optional<Rect>& frame) {
    if (!frame) {
        return "";
    }
    Rect standard = frame->standardized();
    auto x = digestCoordinate(frame->origin.x);
    auto y = digestCoordinate(frame->origin.y);
    auto width = digestCoordinate(standard.size.width);
    auto height = digestCoordinate(standard.size.height);
    if (!x || !y || !width || !height) {
        return "";
    }
    return std::to_string(*x) + "," + std::to_string(*y) + "," + std::to_string(*width) + "," +
           std::to_string(*height);
}

} // namespace

std::shared_ptr<ObservationRecord>
Accessibility::observe(std::int32_t pid, const std::string& bundleId, const WindowTarget& target,
                       int depth, int maxNodes, const std::string& observationId,
                       const Deadline& deadline) {
    Element window = axWindow(pid, target, deadline);
    auto windowFrame = frame(window, &deadline);
    if (!windowFrame) {
        throw Failure("target_missing",
                      "Vinduet svarer ikke lenger på tilgjengelighetsforespørsler.");
    }
    auto record = std::make_shared<ObservationRecord>();
    record->windowTitle = string(window, "AXTitle", &deadline).value_or(target.title);

    // Where the desktop reads many elements at once, the next ones of the queue go together;
    // the queue, the ids and the limits stay those of one element at a time.
    auto reader = service_.observationReader(window);
    std::deque<PendingElement> queue{{window, 0, std::nullopt}};
    std::vector<ObservedNode> nodes;
    int counter = 0;
    auto enqueueChildren = [&](const PendingElement& entry, const std::string& id,
                               const std::vector<Element>& children) {
        if (entry.depth < depth) {
            for (std::size_t index = 0; index < children.size() && index < mostChildren; ++index) {
                queue.push_back({children[index], entry.depth + 1, id});
            }
        } else if (!children.empty()) {
            record->truncatedTree = true;
        }
    };
    while (!queue.empty()) {
        deadline.check();
        if (static_cast<int>(nodes.size()) >= maxNodes) {
            record->truncatedTree = true;
            break;
        }
        if (!reader) {
            PendingElement entry = std::move(queue.front());
            queue.pop_front();
            std::string id = "e" + std::to_string(++counter);
            nodes.push_back(describe(entry.element, id, entry.depth, entry.parent, &deadline));
            enqueueChildren(entry, id, this->children(entry.element, &deadline));
            continue;
        }
        std::size_t take = std::min({queue.size(), std::max<std::size_t>(reader->batchLimit(), 1),
                                     static_cast<std::size_t>(maxNodes) - nodes.size()});
        std::vector<PendingElement> batch(std::make_move_iterator(queue.begin()),
                                          std::make_move_iterator(queue.begin() + take));
        queue.erase(queue.begin(), queue.begin() + take);
        std::vector<Element> elements;
        for (const auto& entry : batch) {
            elements.push_back(entry.element);
        }
        auto reads = readBatch(*reader, elements, deadline);
        for (std::size_t index = 0; index < batch.size(); ++index) {
            std::string id = "e" + std::to_string(++counter);
            nodes.push_back(describe(batch[index].element, reads[index], id, batch[index].depth,
                                     batch[index].parent));
            enqueueChildren(batch[index], id,
                            childrenOf(present(std::move(reads[index].children))));
        }
    }

    record->id = observationId;
    record->createdAt = clock_();
    record->pid = pid;
    record->bundleId = bundleId;
    record->windowId = target.windowId;
    record->windowFrame = *windowFrame;
    record->axWindow = window;
    std::vector<const ObservedNode*> ordered;
    for (auto& node : nodes) {
        record->order.push_back(node.id);
        auto& stored = record->nodes[node.id] = std::move(node);
        ordered.push_back(&stored);
    }
    record->digest = digest(ordered);
    return record;
}

ObservedNode Accessibility::describe(const Element& element, const std::string& id, int depth,
                                     const std::optional<std::string>& parent,
                                     const Deadline* deadline) {
    ObservedNode node;
    node.id = id;
    node.element = element;
    node.depth = depth;
    node.parent = parent;
    node.role = string(element, "AXRole", deadline).value_or("");
    node.subrole = string(element, "AXSubrole", deadline).value_or("");
    for (const char* attribute : {"AXTitle", "AXDescription", "AXLabel"}) {
        if (auto label = string(element, attribute, deadline)) {
            node.label = truncated(*label, Limits::text);
            break;
        }
    }
    node.secure = ElementSnapshot::isSecure(node.role, node.subrole);
    if (!node.secure) {
        if (auto value = string(element, "AXValue", deadline)) {
            node.value = truncated(*value, Limits::text);
        }
        if (settable(element, "AXValue", deadline)) {
            node.settable.push_back("AXValue");
        }
    }
    if (settable(element, "AXFocused", deadline)) {
        node.settable.push_back("AXFocused");
    }
    auto enabled = value(element, "AXEnabled", deadline);
    node.enabled =
        !(enabled && enabled->kind == platform::AXValue::Kind::number) || enabled->number != 0;
    node.focused = boolean(element, "AXFocused", deadline);
    node.frame = frame(element, deadline);
    node.actions = actions(element, deadline);
    return node;
}

std::vector<platform::ElementReads> Accessibility::readBatch(platform::ObservationReader& reader,
                                                             const std::vector<Element>& elements,
                                                             const Deadline& deadline) {
    auto reads = reader.read(elements, [&deadline] {
        try {
            deadline.check();
            return true;
        } catch (const Failure&) {
            return false;
        }
    });
    // A reader stops asking once the request is no longer wanted or out of time; what it
    // could not read must not become part of a record.
    deadline.check();
    // A reader that answered for fewer elements left the rest unanswered.
    reads.resize(elements.size());
    return reads;
}

ObservedNode Accessibility::describe(const Element& element, const platform::ElementReads& reads,
                                     const std::string& id, int depth,
                                     const std::optional<std::string>& parent) {
    ObservedNode node;
    node.id = id;
    node.element = element;
    node.depth = depth;
    node.parent = parent;
    node.role = stringOf(present(reads.role)).value_or("");
    node.subrole = stringOf(present(reads.subrole)).value_or("");
    for (const auto* answer : {&reads.title, &reads.description, &reads.label}) {
        if (auto label = stringOf(present(*answer))) {
            node.label = truncated(*label, Limits::text);
            break;
        }
    }
    node.secure = ElementSnapshot::isSecure(node.role, node.subrole);
    if (!node.secure) {
        if (auto value = stringOf(present(reads.value))) {
            node.value = truncated(*value, Limits::text);
        }
        if (reads.valueSettable.ok() && reads.valueSettable.value) {
            node.settable.push_back("AXValue");
        }
    }
    if (reads.focusSettable.ok() && reads.focusSettable.value) {
        node.settable.push_back("AXFocused");
    }
    auto enabled = present(reads.enabled);
    node.enabled =
        !(enabled && enabled->kind == platform::AXValue::Kind::number) || enabled->number != 0;
    node.focused = booleanOf(present(reads.focused));
    auto position = pointOf(present(reads.position));
    auto extent = sizeOf(present(reads.size));
    if (position && extent) {
        node.frame = Rect{*position, *extent};
    }
    node.actions = actionsOf(reads.actions);
    return node;
}

Json Accessibility::nodePayload(const ObservedNode& node, const Rect& origin) {
    Json payload{
        {"id", node.id},           {"role", node.role},       {"depth", node.depth},
        {"enabled", node.enabled}, {"focused", node.focused}, {"actions", node.actions},
    };
    if (!node.subrole.empty()) {
        payload["subrole"] = node.subrole;
    }
    if (!node.label.empty()) {
        payload["label"] = node.label;
    }
    if (node.value) {
        payload["value"] = *node.value;
    }
    if (node.secure) {
        payload["secure"] = true;
    }
    if (!node.settable.empty()) {
        payload["settable"] = node.settable;
    }
    if (node.parent) {
        payload["parent"] = *node.parent;
    }
    if (node.frame) {
        Rect relative{
            {node.frame->origin.x - origin.origin.x, node.frame->origin.y - origin.origin.y},
            node.frame->size};
        payload["frame"] = rectPayload(relative);
        payload["screenFrame"] = rectPayload(*node.frame);
    }
    return payload;
}

std::string Accessibility::digest(const std::vector<const ObservedNode*>& nodes) {
    Sha256 hash;
    for (const ObservedNode* node : nodes) {
        hash.update(node->role + "|" + node->subrole + "|" + node->label + "|" +
                    node->value.value_or("") + "|" + (node->focused ? "true" : "false") + "|" +
                    digestFrame(node->frame) + "\n");
    }
    return hash.hexDigest();
}

const ObservedNode* ObservationRecord::node(Accessibility& accessibility,
                                            const platform::ElementHandle& element,
                                            int maxAncestors) const {
    platform::ElementHandle current = element;
    for (int attempt = 0; attempt <= maxAncestors && !current.isNull(); ++attempt) {
        for (const auto& id : order) {
            const ObservedNode& candidate = nodes.at(id);
            if (accessibility.equal(candidate.element, current)) {
                return &candidate;
            }
        }
        current = accessibility.element(current, "AXParent");
    }
    return nullptr;
}

} // namespace orvel
