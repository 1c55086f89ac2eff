#include "platform/linux/atspi/CallBatch.hpp"

#include "platform/AccessibilityService.hpp"
#include "platform/linux/atspi/BusError.hpp"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <iterator>

namespace orvel::linuxdesktop {

CallBatch::CallBatch(BusConnection& connection, std::size_t maxInFlight)
    : connection_(connection), maxInFlight_(std::max<std::size_t>(maxInFlight, 1)) {}

CallBatch::~CallBatch() {
    // Unreferencing the slots withdraws the reply callbacks before the calls are freed.
    for (auto& call : inFlight_) {
        call->slot.reset();
    }
}

void CallBatch::add(MessagePtr message, Microseconds timeout, Handler handler) {
    auto call = std::make_unique<Call>();
    call->batch = this;
    call->message = std::move(message);
    call->timeout = timeout;
    call->handler = std::move(handler);
    if (abandoned_) {
        settled_.emplace_back(std::move(call->handler),
                              Reply{platform::ax::cannotComplete, nullptr});
        return;
    }
    if (!call->message) {
        settled_.emplace_back(std::move(call->handler),
                              Reply{platform::ax::invalidElement, nullptr});
        return;
    }
    if (inFlight_.size() >= maxInFlight_) {
        waiting_.push_back(std::move(call));
        return;
    }
    send(std::move(call));
}

void CallBatch::send(std::unique_ptr<Call> call) {
    sd_bus_slot* slot = nullptr;
    auto usec = static_cast<std::uint64_t>(std::max<Microseconds::rep>(call->timeout.count(), 1));
    int result = sd_bus_call_async(connection_.raw(), &slot, call->message.get(), &onReply,
                                   call.get(), usec);
    if (result < 0) {
        settled_.emplace_back(std::move(call->handler), Reply{statusOfErrno(result), nullptr});
        return;
    }
    call->slot.reset(slot);
    call->message.reset();
    Call* raw = call.get();
    inFlight_.push_back(std::move(call));
    raw->position = std::prev(inFlight_.end());
}

int CallBatch::onReply(sd_bus_message* message, void* userdata, sd_bus_error*) {
    auto* call = static_cast<Call*>(userdata);
    call->batch->settle(call, replyOf(message));
    return 0;
}

void CallBatch::settle(Call* call, Reply reply) {
    settled_.emplace_back(std::move(call->handler), std::move(reply));
    // sd-bus holds its own reference to the slot while the callback runs; releasing ours
    // here frees the call once sd-bus is done with it.
    inFlight_.erase(call->position);
    while (!waiting_.empty() && inFlight_.size() < maxInFlight_) {
        auto next = std::move(waiting_.front());
        waiting_.pop_front();
        send(std::move(next));
    }
}

void CallBatch::failOutstanding(std::int32_t status) {
    for (auto& call : inFlight_) {
        call->slot.reset();
        settled_.emplace_back(std::move(call->handler), Reply{status, nullptr});
    }
    inFlight_.clear();
    for (auto& call : waiting_) {
        settled_.emplace_back(std::move(call->handler), Reply{status, nullptr});
    }
    waiting_.clear();
}

void CallBatch::runSettled() {
    while (!settled_.empty()) {
        auto ready = std::move(settled_);
        settled_.clear();
        for (auto& [handler, reply] : ready) {
            handler(std::move(reply));
        }
    }
}

void CallBatch::wait(const std::function<bool()>& stillWanted) {
    constexpr std::uint64_t recheckMicroseconds = 50'000;
    for (;;) {
        runSettled();
        if (inFlight_.empty() && waiting_.empty()) {
            return;
        }
        int processed = sd_bus_process(connection_.raw(), nullptr);
        if (processed < 0) {
            failOutstanding(statusOfErrno(processed));
            continue;
        }
        // sd-bus may answer 0 although it just ran a time-out's callback: look again before
        // waiting, or the wait would have no time-out left to end it.
        if (processed > 0 || !settled_.empty()) {
            continue;
        }
        if (stillWanted && !stillWanted()) {
            abandoned_ = true;
            failOutstanding(platform::ax::cannotComplete);
            continue;
        }
        // Wakes on input, at the earliest time-out of the calls outstanding, or to ask
        // whether the answers are still wanted.
        int waited = sd_bus_wait(connection_.raw(), stillWanted ? recheckMicroseconds : UINT64_MAX);
        if (waited < 0 && waited != -EINTR) {
            failOutstanding(statusOfErrno(waited));
        }
    }
}

} // namespace orvel::linuxdesktop
