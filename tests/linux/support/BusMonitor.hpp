// A monitor of the accessibility bus: it sees every method call that crosses the bus, so a
// test can witness on the bus itself what was (and was not) asked of an application.
#pragma once

#include "platform/linux/atspi/BusMessage.hpp"

#include <chrono>
#include <memory>
#include <string>
#include <vector>

namespace orvel::testing {

struct SeenCall {
    std::string destination;
    std::string path;
    std::string interface;
    std::string member;
};

class BusMonitor {
  public:
    // Becomes a monitor of the bus at `address`; null when the bus refuses.
    static std::unique_ptr<BusMonitor> start(const std::string& address);

    // The method calls seen since the last drain, read until the bus has been quiet for
    // `quiet` (the monitor's copies travel after the calls themselves).
    std::vector<SeenCall> drain(std::chrono::milliseconds quiet = std::chrono::milliseconds(300));

  private:
    explicit BusMonitor(linuxdesktop::BusPtr bus) : bus_(std::move(bus)) {}

    linuxdesktop::BusPtr bus_;
};

} // namespace orvel::testing
