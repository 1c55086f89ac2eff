#include "linux/support/PrivateSession.hpp"

#include "platform/ChildProcess.hpp"
#include "platform/Environment.hpp"

#include <chrono>

namespace orvel::testing {

std::optional<linuxdesktop::LinuxDesktopOptions>
PrivateSession::desktopOptions(std::string& whyNot) {
    const auto environment = platform::processEnvironment();
    const auto session = environment("ORVEL_PRIVATE_DESKTOP");
    if (!session || session != environment("DISPLAY")) {
        whyNot = "needs the private desktop session (run it under scripts/desktop-session run)";
        return std::nullopt;
    }
    return linuxdesktop::readLinuxDesktopOptions(environment, whyNot);
}

bool PrivateSession::callLockDouble(const std::string& method,
                                    const std::vector<std::string>& arguments) {
    std::vector<std::string> command{"--system",
                                     "--print-reply",
                                     "--reply-timeout=3000",
                                     "--dest=no.orvel.LockDouble",
                                     "/no/orvel/LockDouble",
                                     "no.orvel.LockDouble." + method};
    command.insert(command.end(), arguments.begin(), arguments.end());
    auto child = platform::ChildProcess::start("/usr/bin/dbus-send", command);
    return child && child->waitForExit(std::chrono::seconds(5)) == 0;
}

} // namespace orvel::testing
