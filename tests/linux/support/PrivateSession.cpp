#include "linux/support/PrivateSession.hpp"

#include "platform/ChildProcess.hpp"
#include "platform/Environment.hpp"

#include <chrono>

namespace orvel::testing {

std::string PrivateSession::missing() {
    const auto environment = platform::processEnvironment();
    const auto session = environment("ORVEL_PRIVATE_DESKTOP");
    if (!session || session != environment("DISPLAY") || !environment("AT_SPI_BUS_ADDRESS")) {
        return "needs the private desktop session (run it under scripts/desktop-session run)";
    }
    return "";
}

std::optional<linuxdesktop::LinuxDesktopOptions>
PrivateSession::desktopOptions(std::string& whyNot) {
    whyNot = missing();
    if (!whyNot.empty()) {
        return std::nullopt;
    }
    return linuxdesktop::readLinuxDesktopOptions(platform::processEnvironment(), whyNot);
}

bool PrivateSession::hasWindowManager() {
    return platform::processEnvironment()("ORVEL_PRIVATE_DESKTOP_WINDOW_MANAGER") != "none";
}

std::int32_t PrivateSession::systemBusOwner(const std::string& name) {
    auto child = platform::ChildProcess::start(
        "/usr/bin/dbus-send",
        {"--system", "--print-reply=literal", "--reply-timeout=3000", "--dest=org.freedesktop.DBus",
         "/org/freedesktop/DBus", "org.freedesktop.DBus.GetConnectionUnixProcessID",
         "string:" + name});
    if (!child) {
        return 0;
    }
    auto line = child->readLine(std::chrono::seconds(5)).value_or("");
    child->waitForExit(std::chrono::seconds(5));
    // "   uint32 1234"
    const auto digits = line.find_last_not_of("0123456789");
    try {
        return static_cast<std::int32_t>(std::stol(line.substr(digits + 1)));
    } catch (const std::exception&) {
        return 0;
    }
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
