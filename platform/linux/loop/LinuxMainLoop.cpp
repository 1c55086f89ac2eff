#include "platform/linux/loop/LinuxMainLoop.hpp"

#include <X11/Xlib.h>
#include <systemd/sd-bus.h>
#include <systemd/sd-event.h>

#include <cstdint>
#include <sys/epoll.h>
#include <sys/eventfd.h>
#include <unistd.h>

namespace orvel::linuxdesktop {

std::unique_ptr<LinuxMainLoop> LinuxMainLoop::create() {
    sd_event* event = nullptr;
    if (sd_event_new(&event) < 0) {
        return nullptr;
    }
    const int wakeFd = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (wakeFd < 0) {
        sd_event_unref(event);
        return nullptr;
    }
    std::unique_ptr<LinuxMainLoop> loop(new LinuxMainLoop(event, wakeFd));
    sd_event_source* wake = nullptr;
    sd_event_source* after = nullptr;
    if (sd_event_add_io(event, &wake, wakeFd, EPOLLIN, onWake, loop.get()) < 0 ||
        sd_event_add_post(event, &after, afterDispatch, loop.get()) < 0) {
        return nullptr;
    }
    loop->sources_.push_back(wake);
    loop->sources_.push_back(after);
    return loop;
}

LinuxMainLoop::LinuxMainLoop(sd_event* event, int wakeFd) : event_(event), wakeFd_(wakeFd) {}

LinuxMainLoop::~LinuxMainLoop() {
    for (auto& display : displays_) {
        sd_event_source_disable_unref(display->source);
    }
    for (auto* source : sources_) {
        sd_event_source_disable_unref(source);
    }
    sd_event_unref(event_);
    close(wakeFd_);
}

void LinuxMainLoop::post(std::function<void()> job) {
    {
        std::lock_guard lock(mutex_);
        jobs_.push_back(std::move(job));
    }
    const std::uint64_t one = 1;
    // A full counter already wakes the loop, so a failed write loses nothing.
    [[maybe_unused]] auto written = write(wakeFd_, &one, sizeof one);
}

bool LinuxMainLoop::isMainThread() const {
    return runner_.load() == std::this_thread::get_id();
}

void LinuxMainLoop::runForever() {
    {
        std::lock_guard lock(mutex_);
        if (quitting_) {
            return;
        }
    }
    runner_.store(std::this_thread::get_id());
    // Jobs posted before the loop ran are waiting behind the wake descriptor.
    sd_event_loop(event_);
    runner_.store(std::thread::id());
}

void LinuxMainLoop::quit() {
    {
        std::lock_guard lock(mutex_);
        quitting_ = true;
    }
    const std::uint64_t one = 1;
    [[maybe_unused]] auto written = write(wakeFd_, &one, sizeof one);
}

bool LinuxMainLoop::attachBus(sd_bus* bus) {
    return sd_bus_attach_event(bus, event_, SD_EVENT_PRIORITY_NORMAL) >= 0;
}

bool LinuxMainLoop::watchDisplay(Display* display, XEventHandler handler) {
    auto watched =
        std::make_unique<WatchedDisplay>(WatchedDisplay{display, std::move(handler), nullptr});
    if (sd_event_add_io(event_, &watched->source, ConnectionNumber(display), EPOLLIN, onDisplay,
                        watched.get()) < 0) {
        return false;
    }
    displays_.push_back(std::move(watched));
    return true;
}

void LinuxMainLoop::unwatchDisplay(Display* display) {
    std::erase_if(displays_, [display](const std::unique_ptr<WatchedDisplay>& watched) {
        if (watched->display != display) {
            return false;
        }
        sd_event_source_disable_unref(watched->source);
        return true;
    });
}

int LinuxMainLoop::onWake(sd_event_source*, int fd, unsigned int, void* self) {
    std::uint64_t count = 0;
    [[maybe_unused]] auto read = ::read(fd, &count, sizeof count);
    static_cast<LinuxMainLoop*>(self)->runQueuedJobs();
    return 0;
}

int LinuxMainLoop::onDisplay(sd_event_source*, int, unsigned int, void* watched) {
    auto* display = static_cast<WatchedDisplay*>(watched);
    while (XPending(display->display) > 0) {
        XEvent event;
        XNextEvent(display->display, &event);
        display->handler(event);
    }
    return 0;
}

int LinuxMainLoop::afterDispatch(sd_event_source*, void* self) {
    static_cast<LinuxMainLoop*>(self)->drainDisplays();
    return 0;
}

// Jobs run one at a time in the order posted; a job posted by a job runs after the ones
// already queued, and a quit stops the loop before the next job.
void LinuxMainLoop::runQueuedJobs() {
    while (true) {
        std::function<void()> job;
        {
            std::lock_guard lock(mutex_);
            if (quitting_) {
                sd_event_exit(event_, 0);
                return;
            }
            if (jobs_.empty()) {
                return;
            }
            job = std::move(jobs_.front());
            jobs_.pop_front();
        }
        job();
    }
}

// A round trip made on the loop reads whatever events arrived with its reply into Xlib's
// queue, where the descriptor no longer shows them.
void LinuxMainLoop::drainDisplays() {
    for (auto& display : displays_) {
        while (XQLength(display->display) > 0) {
            XEvent event;
            XNextEvent(display->display, &event);
            display->handler(event);
        }
    }
}

} // namespace orvel::linuxdesktop
