// The books of admitted requests: which ids are in flight (with the fingerprint of their
// content), which of those are cancelled, the stored responses of recently finished ids (for
// replay of a retried request), the halt flag and the epoch that invalidates everything admitted
// before the last halt or resume. Ids are booked by their NFC form, so canonically equivalent
// ids are the same id.
//
// Thread-safe: one mutex guards all variable state, is held for one operation at a time and is
// never held while calling out.
#pragma once

#include "OrvelControlCore/Json.hpp"

#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>
#include <unordered_set>

namespace orvel {

// Proof of admission, checked by the work between its steps.
struct Ticket {
    // The id as the client wrote it.
    std::string id;
    std::uint64_t epoch = 0;
    bool operator==(const Ticket&) const = default;
};

enum class TicketState { live, stopped, cancelled };

// The verdict on one request.
struct Admission {
    enum class Kind { run, receipt, duplicate, conflict, busy, invalidId };

    Kind kind = Kind::invalidId;
    // Set for `run`.
    Ticket ticket;
    // The stored response, for `receipt`.
    Json response;

    // Two `run` verdicts are equal when their tickets are; two receipts always are, whatever
    // they carry; every other verdict equals only itself.
    bool operator==(const Admission& other) const;
};

class RequestLedger {
  public:
    RequestLedger(int queueLimit, int receiptLimit, int controlLimit);

    Admission admit(const std::string& id, bool control, const std::string& fingerprint);
    TicketState state(const Ticket& ticket) const;
    bool isLive(const Ticket& ticket) const;
    // Throws the stopped or cancelled Failure unless the ticket is live.
    void check(const Ticket& ticket) const;
    // Marks an in-flight id cancelled; false when the id is not in flight.
    bool cancel(const std::string& id);
    // Halts and raises the epoch; returns whether the ledger was already halted.
    bool halt();
    void resume();
    // Takes the id out of flight and keeps `response` as its receipt.
    void finish(const std::string& id, const Json& response, bool control);

    std::uint64_t epoch() const;
    bool isHalted() const;
    int inFlightCount() const;
    int queueLimit() const { return ordinaryLimit; }
    int receiptLimit() const { return receiptCapacity; }
    int controlLimit() const { return controlCapacity; }

  private:
    struct Entry {
        std::uint64_t epoch = 0;
        std::string fingerprint;
    };

    // Responses are shared so that storing and replaying them copies no JSON under the lock.
    struct Receipt {
        std::string fingerprint;
        std::shared_ptr<const Json> response;
    };

    struct Verdict {
        Admission::Kind kind;
        std::uint64_t epoch = 0;
        std::shared_ptr<const Json> receipt;
    };

    Verdict admitLocked(std::string key, bool control, const std::string& fingerprint);
    TicketState stateLocked(const std::string& key, std::uint64_t ticketEpoch) const;
    void trimReceipts();

    const int ordinaryLimit;
    const int receiptCapacity;
    const int controlCapacity;

    mutable std::mutex lock;
    // Guarded by `lock`; all keyed by NFC id.
    std::unordered_map<std::string, Entry> inFlight;
    std::unordered_set<std::string> cancelled;
    std::unordered_map<std::string, Receipt> receipts;
    std::deque<std::string> receiptOrder; // oldest first
    std::uint64_t currentEpoch = 0;
    bool halted = false;
    int controlInFlight = 0;
};

} // namespace orvel
