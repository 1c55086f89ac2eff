// Method calls kept in flight together on one connection and waited for together: the
// accessibility bus answers one message at a time per call, so a reader that sends the
// next call only after the last reply spends most of its time waiting.
//
// Every call keeps its own time-out. Handlers run inside wait(), in the order the replies
// arrive, and may add further calls (a read that depends on an earlier answer). At most
// `maxInFlight` calls are outstanding at once; the rest wait their turn in order.
//
// Threading: used by the one thread that holds the connection. Destroying a batch with calls
// still outstanding abandons them; their handlers never run.
#pragma once

#include "platform/linux/atspi/BusConnection.hpp"

#include <cstddef>
#include <deque>
#include <functional>
#include <list>
#include <memory>
#include <utility>
#include <vector>

namespace orvel::linuxdesktop {

class CallBatch {
  public:
    using Handler = std::function<void(Reply)>;

    explicit CallBatch(BusConnection& connection, std::size_t maxInFlight = 512);
    ~CallBatch();
    CallBatch(const CallBatch&) = delete;
    CallBatch& operator=(const CallBatch&) = delete;

    BusConnection& connection() { return connection_; }

    // Sends the call now, or as soon as fewer than `maxInFlight` are outstanding. A null
    // message answers invalidElement.
    void add(MessagePtr message, Microseconds timeout, Handler handler);

    // Dispatches replies and time-outs until no call is outstanding or waiting. Once
    // `stillWanted` (asked at least every 50 ms while waiting) answers false, every call not
    // yet answered, and every call added after, answers cannotComplete.
    void wait(const std::function<bool()>& stillWanted = {});

  private:
    struct Call {
        CallBatch* batch = nullptr;
        MessagePtr message;
        Microseconds timeout{};
        Handler handler;
        SlotPtr slot;
        std::list<std::unique_ptr<Call>>::iterator position;
    };

    static int onReply(sd_bus_message* message, void* userdata, sd_bus_error* error);
    void send(std::unique_ptr<Call> call);
    void settle(Call* call, Reply reply);
    void failOutstanding(std::int32_t status);
    void runSettled();

    BusConnection& connection_;
    const std::size_t maxInFlight_;
    std::deque<std::unique_ptr<Call>> waiting_;
    std::list<std::unique_ptr<Call>> inFlight_;
    std::vector<std::pair<Handler, Reply>> settled_;
    bool abandoned_ = false;
};

} // namespace orvel::linuxdesktop
