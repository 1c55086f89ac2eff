// An observation's reads on the Linux desktop: many elements at once. The application's
// bulk read, taken once when the observation starts, answers role, name, description,
// states, interfaces and (where it holds them consistently) children of every object it
// covers; what it does not cover, and what it never holds (frames, text, values, action
// names), is asked live, every call of the batch in flight together on one connection, each
// with its element's own time-out. Calls that depend on an answer (an action's name on the
// number of actions) are sent the moment that answer arrives.
//
// Every answer is what the one-at-a-time reads (ElementReader) would give, through the same
// rules (AttributeMapping). A password field's text is never asked.
//
// Threading: one reader serves one observation on one thread; it holds the snapshot for
// that observation only.
#pragma once

#include "platform/AccessibilityService.hpp"
#include "platform/linux/atspi/ApplicationSnapshot.hpp"
#include "platform/linux/atspi/ConnectionPool.hpp"
#include "platform/linux/atspi/ObjectRef.hpp"

#include <optional>

namespace orvel::linuxdesktop {

class AtspiObservationReader final : public platform::ObservationReader {
  public:
    // `application` is the unique bus name of the observed window's application;
    // `snapshotTimeout` bounds the bulk read.
    AtspiObservationReader(ConnectionPool& pool, std::string application,
                           Microseconds snapshotTimeout)
        : pool_(pool), application_(std::move(application)), snapshotTimeout_(snapshotTimeout) {}

    std::size_t batchLimit() const override;
    std::vector<platform::ElementReads> read(const std::vector<platform::ElementHandle>& elements,
                                             const std::function<bool()>& stillWanted) override;

    // How many objects the bulk read covered (0 when the application gave none).
    std::size_t snapshotSize() const { return snapshot_ ? snapshot_->size() : 0; }

  private:
    ConnectionPool& pool_;
    const std::string application_;
    const Microseconds snapshotTimeout_;
    bool snapshotTaken_ = false;
    std::optional<ApplicationSnapshot> snapshot_;
};

} // namespace orvel::linuxdesktop
