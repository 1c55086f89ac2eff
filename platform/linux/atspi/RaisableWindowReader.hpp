// An observation reader that offers "AXRaise" on the observed window, as the accessibility
// service's own action list does for a top-level window the desktop can raise: the bulk read
// knows only the application's actions, and a window has none of its own.
//
// Threading: as the reader it wraps (one observation, one thread).
#pragma once

#include "platform/ObservationReader.hpp"

#include <memory>

namespace orvel::linuxdesktop {

class RaisableWindowReader final : public platform::ObservationReader {
  public:
    // `window`: the observed window, which the caller found raisable.
    RaisableWindowReader(std::unique_ptr<platform::ObservationReader> inner,
                         platform::ElementHandle window)
        : inner_(std::move(inner)), window_(std::move(window)) {}

    std::size_t batchLimit() const override { return inner_->batchLimit(); }
    std::vector<platform::ElementReads> read(const std::vector<platform::ElementHandle>& elements,
                                             const std::function<bool()>& stillWanted) override;

  private:
    const std::unique_ptr<platform::ObservationReader> inner_;
    const platform::ElementHandle window_;
};

} // namespace orvel::linuxdesktop
