// Scenario files as anyone could write them: every text is either read into a desktop that
// starts and stops cleanly, or refused with one line that says where and why; never a crash, a
// hang or an exception other than the parser's own refusal.
#include "FuzzCheck.hpp"
#include "OrvelControlCore/Text.hpp"
#include "platform/sim/ScenarioParser.hpp"
#include "platform/sim/SimulatedDesktop.hpp"

#include <cstdint>
#include <string>
#include <string_view>
#include <unistd.h>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using orvel::fuzz::require;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    std::string error;
    const auto scenario = orvel::sim::parseScenarioText(
        text, "scenario", orvel::sim::ProcessPids{::getpid(), ::getppid()}, error);
    if (!scenario) {
        require(error.starts_with("scenario") && error.size() > std::string_view("scenario").size(),
                "a refused scenario is refused with a message", error);
        require(error.find('\n') == std::string::npos && error.find('\r') == std::string::npos,
                "the refusal is one line", error);
        require(orvel::text::isValidUtf8(error), "the refusal is valid text", error);
        return 0;
    }
    // What the parser accepts, the desktop must be able to start on.
    std::string startError;
    auto desktop = orvel::sim::SimulatedDesktop::load(text, startError);
    require(desktop != nullptr, "an accepted scenario starts a desktop", startError);
    return 0;
}
