// The Linux desktop's main loop: one sd-event loop that serves the jobs other threads post,
// the buses whose signals the desktop watches (the lock notifications) and the X connection
// of the main thread. The thread that calls `runForever` is the main thread until `quit`.
//
// `post`, `quit` and `isMainThread` are safe from any thread; a `quit` that comes before
// `runForever` makes it return at once, and jobs still queued when the loop quits are dropped
// with it. `attachBus` and `watchDisplay` are called before the loop runs, or on it; from then
// on the bus or connection belongs to the loop's thread. The loop must have stopped before it
// is destroyed.
#pragma once

#include "platform/MainLoop.hpp"

#include <atomic>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

struct sd_bus;
struct sd_event;
struct sd_event_source;
struct _XDisplay;
union _XEvent;

namespace orvel::linuxdesktop {

class LinuxMainLoop final : public platform::MainLoop {
  public:
    using XEventHandler = std::function<void(union _XEvent& event)>;

    // Null when the loop's own descriptors cannot be created.
    static std::unique_ptr<LinuxMainLoop> create();
    ~LinuxMainLoop() override;
    LinuxMainLoop(const LinuxMainLoop&) = delete;
    LinuxMainLoop& operator=(const LinuxMainLoop&) = delete;

    void post(std::function<void()> job) override;
    bool isMainThread() const override;
    void runForever() override;
    void quit() override;

    // Dispatches the bus's messages on the loop; false when it cannot be attached.
    bool attachBus(sd_bus* bus);
    // Hands every event of the connection to `handler` on the loop, including events Xlib
    // queued during the loop's own round trips; false when the connection cannot be watched.
    bool watchDisplay(struct _XDisplay* display, XEventHandler handler);
    // Stops watching the connection, before it closes; called on the loop or while it does not
    // run.
    void unwatchDisplay(struct _XDisplay* display);

  private:
    struct WatchedDisplay {
        struct _XDisplay* display;
        XEventHandler handler;
        sd_event_source* source;
    };

    LinuxMainLoop(sd_event* event, int wakeFd);
    static int onWake(sd_event_source* source, int fd, unsigned int events, void* self);
    static int onDisplay(sd_event_source* source, int fd, unsigned int events, void* self);
    static int afterDispatch(sd_event_source* source, void* self);
    void runQueuedJobs();
    void drainDisplays();

    sd_event* event_;
    int wakeFd_;
    std::vector<sd_event_source*> sources_;
    std::vector<std::unique_ptr<WatchedDisplay>> displays_;
    std::mutex mutex_;
    std::deque<std::function<void()>> jobs_; // guarded by mutex_
    bool quitting_ = false;                  // guarded by mutex_
    std::atomic<std::thread::id> runner_{};
};

} // namespace orvel::linuxdesktop
