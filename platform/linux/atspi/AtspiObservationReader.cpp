#include "platform/linux/atspi/AtspiObservationReader.hpp"

#include "OrvelControlCore/Limits.hpp"
#include "platform/linux/atspi/AtspiCalls.hpp"
#include "platform/linux/atspi/AtspiElement.hpp"
#include "platform/linux/atspi/AtspiProtocol.hpp"
#include "platform/linux/atspi/AttributeMapping.hpp"
#include "platform/linux/atspi/CallBatch.hpp"

#include <algorithm>

namespace orvel::linuxdesktop {

namespace {

namespace ax = platform::ax;
using platform::ElementReads;

// More actions than this on one object is not an interface a person operates.
constexpr std::int32_t mostReadActions = 64;

// What has been learnt of one element while its calls are in flight.
struct Progress {
    const AtspiElement* element = nullptr;
    std::int32_t fixedStatus = ax::success; // what a handle without object answers
    ObjectFacts facts;
    int factsPending = 0;
    Answer<std::string> name{ax::cannotComplete, {}};
    Answer<std::string> description{ax::cannotComplete, {}};
    Answer<std::vector<ObjectRef>> children{ax::cannotComplete, {}};
    Answer<Extents> extents{ax::cannotComplete, {}};
    AttributeAnswer value{ax::cannotComplete, {}};
    Answer<std::vector<std::string>> actionNames{ax::cannotComplete, {}};
};

class Batch {
  public:
    Batch(BusConnection& bus, const ApplicationSnapshot* snapshot, std::size_t count)
        : bus_(bus), calls_(bus), snapshot_(snapshot), progress_(count) {}

    void start(std::size_t index, const platform::ElementHandle& handle);
    void wait(const std::function<bool()>& stillWanted) { calls_.wait(stillWanted); }
    ElementReads reads(std::size_t index) const;

  private:
    void askFacts(Progress& progress);
    void askDependents(Progress& progress);
    void askText(Progress& progress, std::int32_t end);
    void askActionNames(Progress& progress, std::int32_t count);

    BusConnection& bus_;
    CallBatch calls_;
    const ApplicationSnapshot* snapshot_;
    std::vector<Progress> progress_;
};

void Batch::start(std::size_t index, const platform::ElementHandle& handle) {
    Progress& progress = progress_[index];
    const AtspiElement* element = AtspiElement::of(handle);
    if (element == nullptr) {
        progress.fixedStatus = ax::invalidElement;
        return;
    }
    if (element->kind() != AtspiElement::Kind::object) {
        progress.fixedStatus = element->kind() == AtspiElement::Kind::unresolved
                                   ? element->status()
                                   : ax::cannotComplete;
        return;
    }
    progress.element = element;
    const ObjectRef& ref = element->ref();
    const auto* item = snapshot_ != nullptr ? snapshot_->find(ref) : nullptr;
    if (item == nullptr) {
        askFacts(progress);
        calls_.add(calls::name(bus_, ref), element->timeout(),
                   [&progress](Reply reply) { progress.name = readVariantString(reply); });
        calls_.add(calls::description(bus_, ref), element->timeout(),
                   [&progress](Reply reply) { progress.description = readVariantString(reply); });
        calls_.add(calls::getChildren(bus_, ref), element->timeout(),
                   [&progress](Reply reply) { progress.children = readObjectRefs(reply); });
        return;
    }
    progress.facts = item->facts;
    progress.name = {ax::success, item->name};
    progress.description = {ax::success, item->description};
    if (auto children = snapshot_->children(ref)) {
        progress.children = {ax::success, std::move(*children)};
    } else {
        calls_.add(calls::getChildren(bus_, ref), element->timeout(),
                   [&progress](Reply reply) { progress.children = readObjectRefs(reply); });
    }
    askDependents(progress);
}

void Batch::askFacts(Progress& progress) {
    const ObjectRef& ref = progress.element->ref();
    Microseconds timeout = progress.element->timeout();
    progress.factsPending = 4;
    auto arrived = [this, &progress] {
        if (--progress.factsPending == 0) {
            askDependents(progress);
        }
    };
    calls_.add(calls::getRole(bus_, ref), timeout, [&progress, arrived](Reply reply) {
        progress.facts.role = readUint32(reply);
        arrived();
    });
    calls_.add(calls::getState(bus_, ref), timeout, [&progress, arrived](Reply reply) {
        progress.facts.states = readStates(reply);
        arrived();
    });
    calls_.add(calls::getInterfaces(bus_, ref), timeout, [&progress, arrived](Reply reply) {
        progress.facts.interfaces = readStrings(reply);
        arrived();
    });
    calls_.add(calls::parent(bus_, ref), timeout, [&progress, arrived](Reply reply) {
        progress.facts.parent = readVariantObjectRef(reply);
        arrived();
    });
}

// The calls that need the facts: frame, value and actions. None for an object that is gone,
// and no text for a password field (valueSource never names text for one).
void Batch::askDependents(Progress& progress) {
    if (factsStatus(progress.facts) != ax::success) {
        return;
    }
    const ObjectRef& ref = progress.element->ref();
    Microseconds timeout = progress.element->timeout();
    if (progress.facts.has(atspi::componentInterface)) {
        calls_.add(calls::screenExtents(bus_, ref), timeout,
                   [&progress](Reply reply) { progress.extents = readExtents(reply); });
    }
    switch (valueSource(progress.facts)) {
    case ValueSource::text:
        askText(progress, textReadLimit);
        break;
    case ValueSource::number:
        calls_.add(calls::currentValue(bus_, ref), timeout, [&progress](Reply reply) {
            progress.value = numberAttribute(readVariantDouble(reply));
        });
        break;
    case ValueSource::checkedState:
    case ValueSource::none:
        break;
    }
    if (progress.facts.has(atspi::actionInterface)) {
        calls_.add(calls::actionCount(bus_, ref), timeout, [this, &progress](Reply reply) {
            auto count = readVariantInt32(reply);
            if (!count.ok()) {
                progress.actionNames = {count.status, {}};
                return;
            }
            askActionNames(progress, std::clamp<std::int32_t>(count.value, 0, mostReadActions));
        });
    }
}

void Batch::askText(Progress& progress, std::int32_t end) {
    const ObjectRef& ref = progress.element->ref();
    calls_.add(calls::text(bus_, ref, 0, end), progress.element->timeout(),
               [this, &progress, end](Reply reply) {
                   auto text = readString(reply);
                   if (!text.ok()) {
                       progress.value = {text.status, {}};
                   } else if (end == -1 || textStartSuffices(text.value)) {
                       progress.value = {ax::success, platform::AXValue::ofString(text.value)};
                   } else {
                       askText(progress, -1);
                   }
               });
}

void Batch::askActionNames(Progress& progress, std::int32_t count) {
    progress.actionNames = {ax::success, std::vector<std::string>(static_cast<std::size_t>(count))};
    const ObjectRef& ref = progress.element->ref();
    for (std::int32_t index = 0; index < count; ++index) {
        calls_.add(calls::actionName(bus_, ref, index), progress.element->timeout(),
                   [&progress, index](Reply reply) {
                       auto name = readString(reply);
                       if (name.ok()) {
                           progress.actionNames.value[static_cast<std::size_t>(index)] =
                               std::move(name.value);
                       } else if (name.status == ax::invalidElement ||
                                  name.status == ax::cannotComplete) {
                           progress.actionNames.status = name.status;
                       }
                   });
    }
}

ElementReads everyRead(std::int32_t status) {
    ElementReads reads;
    for (auto* answer :
         {&reads.role, &reads.subrole, &reads.title, &reads.description, &reads.label, &reads.value,
          &reads.enabled, &reads.focused, &reads.position, &reads.size, &reads.children}) {
        answer->status = status;
    }
    reads.valueSettable.status = status;
    reads.focusSettable.status = status;
    reads.actions.status = status;
    return reads;
}

ElementReads Batch::reads(std::size_t index) const {
    const Progress& progress = progress_[index];
    if (progress.element == nullptr) {
        return everyRead(progress.fixedStatus);
    }
    const ObjectFacts& facts = progress.facts;
    if (std::int32_t status = factsStatus(facts); status != ax::success) {
        return everyRead(status);
    }
    const ObjectRef& ref = progress.element->ref();
    ElementReads reads;
    reads.role = roleAttribute(facts, ref, false);
    reads.subrole = roleAttribute(facts, ref, true);
    reads.title = textAttribute(progress.name);
    reads.label = reads.title;
    reads.description = textAttribute(progress.description);
    if (facts.isPassword()) {
        reads.value = {ax::attributeUnsupported, {}};
        reads.valueSettable = {ax::attributeUnsupported, false};
    } else {
        switch (valueSource(facts)) {
        case ValueSource::checkedState:
            reads.value = checkedAttribute(facts);
            break;
        case ValueSource::text:
        case ValueSource::number:
            reads.value = progress.value;
            break;
        case ValueSource::none:
            reads.value = {facts.role.ok() ? ax::attributeUnsupported : facts.role.status, {}};
            break;
        }
        reads.valueSettable = {facts.role.status, facts.role.ok() && valueSettable(facts)};
    }
    reads.focusSettable = {facts.states.status, focusSettable(facts)};
    reads.enabled = enabledAttribute(facts);
    reads.focused = focusedAttribute(facts);
    if (facts.has(atspi::componentInterface)) {
        reads.position = extentsAttribute(progress.extents, true);
        reads.size = extentsAttribute(progress.extents, false);
    } else {
        reads.position = {ax::attributeUnsupported, {}};
        reads.size = {ax::attributeUnsupported, {}};
    }
    Answer<std::vector<std::string>> names =
        facts.has(atspi::actionInterface)
            ? progress.actionNames
            : Answer<std::vector<std::string>>{
                  facts.interfaces.ok() ? ax::actionUnsupported : facts.interfaces.status, {}};
    reads.actions = offeredActions(names);
    reads.children = elementsAttribute(progress.children, progress.element->timeout());
    return reads;
}

} // namespace

std::size_t AtspiObservationReader::batchLimit() const {
    return static_cast<std::size_t>(Limits::nodes);
}

std::vector<ElementReads>
AtspiObservationReader::read(const std::vector<platform::ElementHandle>& elements,
                             const std::function<bool()>& stillWanted) {
    auto bus = pool_.acquire();
    if (!bus) {
        return std::vector<ElementReads>(elements.size(), everyRead(ax::cannotComplete));
    }
    if (!snapshotTaken_) {
        snapshotTaken_ = true;
        snapshot_ = ApplicationSnapshot::parse(
            (*bus)->call(calls::cacheItems(**bus, application_), snapshotTimeout_), application_);
    }
    Batch batch(**bus, snapshot_ ? &*snapshot_ : nullptr, elements.size());
    for (std::size_t index = 0; index < elements.size(); ++index) {
        batch.start(index, elements[index]);
    }
    batch.wait(stillWanted);
    std::vector<ElementReads> reads;
    reads.reserve(elements.size());
    for (std::size_t index = 0; index < elements.size(); ++index) {
        reads.push_back(batch.reads(index));
    }
    return reads;
}

} // namespace orvel::linuxdesktop
