// The takeover listener's tap on the X server: XInput2 raw events (motion, key and button
// presses and releases) selected on the root window for every master device, on a connection of
// the tap's own that the main loop serves. Each raw event is judged as it is read: it is the
// program's own when it comes from an XTEST device (property "XTEST Device") and matches an
// entry of the book of what the program posted, and then it carries the signature of that entry
// in field 42; anything else (a real device, or another client's XTest event) carries 0 and so
// counts as the user's. Wheel clicks are scroll-wheel events.
//
// Created on the main loop's thread, which alone reads the connection: `enable`, `attach`,
// `detach` and `settle` run there; `enabled` may be read from any thread. The callback runs on
// the loop for every event whose type is of interest, while the tap is attached and enabled.
#pragma once

#include "platform/EventSystem.hpp"
#include "platform/linux/input/PostedEventBook.hpp"
#include "platform/linux/loop/LinuxMainLoop.hpp"

#include <atomic>
#include <map>
#include <memory>
#include <string>

struct _XDisplay;

namespace orvel::linuxdesktop {

class RawInputTap {
  public:
    // Null when the display cannot be opened or has no XInput 2.
    static std::unique_ptr<RawInputTap> open(const std::string& displayName, PostedEventBook& book,
                                             std::uint64_t interest,
                                             platform::EventSystem::TapCallback callback);
    ~RawInputTap();
    RawInputTap(const RawInputTap&) = delete;
    RawInputTap& operator=(const RawInputTap&) = delete;

    bool attach(LinuxMainLoop& loop);
    void detach();
    // Selects or drops the raw events; true when the server holds the selection asked for.
    bool enable(bool on);
    bool enabled() const { return enabled_.load(); }

    // Reads everything the server has sent the tap so far and judges it; returns how many of
    // the program's posted events have not come back yet.
    std::size_t settle();

  private:
    RawInputTap(struct _XDisplay* display, int opcode, PostedEventBook& book,
                std::uint64_t interest, platform::EventSystem::TapCallback callback);

    void handle(union _XEvent& event);
    void judge(int evtype, int sourceid, std::uint32_t detail);
    bool isXTestDevice(int deviceid);
    bool selectRaw(bool on);

    struct _XDisplay* display_;
    const int opcode_;
    PostedEventBook& book_;
    const std::uint64_t interest_;
    const platform::EventSystem::TapCallback callback_;
    LinuxMainLoop* loop_ = nullptr;
    // Which devices are XTest's, by device id; forgotten whenever devices come or go.
    std::map<int, bool> xtestDevices_;
    std::atomic<bool> enabled_{false};
};

} // namespace orvel::linuxdesktop
