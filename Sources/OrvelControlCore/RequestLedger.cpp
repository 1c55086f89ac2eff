#include "OrvelControlCore/RequestLedger.hpp"

#include "OrvelControlCore/Failures.hpp"
#include "OrvelControlCore/Limits.hpp"
#include "OrvelControlCore/Text.hpp"

#include <algorithm>

namespace orvel {
namespace {

bool isValidId(const std::string& id) {
    return !id.empty() &&
           text::prefixByteLength(id, static_cast<std::size_t>(Limits::idLength)) == id.size();
}

Admission verdict(Admission::Kind kind) {
    return Admission{kind, {}, {}};
}

} // namespace

bool Admission::operator==(const Admission& other) const {
    if (kind != other.kind) {
        return false;
    }
    return kind != Kind::run || ticket == other.ticket;
}

RequestLedger::RequestLedger(int queueLimit, int receiptLimit, int controlLimit)
    : ordinaryLimit(queueLimit), receiptCapacity(receiptLimit), controlCapacity(controlLimit) {}

Admission RequestLedger::admit(const std::string& id, bool control,
                               const std::string& fingerprint) {
    if (!isValidId(id)) {
        return verdict(Admission::Kind::invalidId);
    }
    std::string key = text::nfc(id);
    const Verdict result = [&] {
        std::lock_guard guard(lock);
        return admitLocked(std::move(key), control, fingerprint);
    }();
    switch (result.kind) {
    case Admission::Kind::run:
        return Admission{Admission::Kind::run, Ticket{id, result.epoch}, {}};
    case Admission::Kind::receipt:
        return Admission{Admission::Kind::receipt, {}, *result.receipt};
    default:
        return verdict(result.kind);
    }
}

RequestLedger::Verdict RequestLedger::admitLocked(std::string key, bool control,
                                                  const std::string& fingerprint) {
    if (const auto receipt = receipts.find(key); receipt != receipts.end()) {
        if (receipt->second.fingerprint != fingerprint) {
            return {Admission::Kind::conflict, 0, nullptr};
        }
        return {Admission::Kind::receipt, 0, receipt->second.response};
    }
    if (const auto entry = inFlight.find(key); entry != inFlight.end()) {
        const bool same = entry->second.fingerprint == fingerprint;
        return {same ? Admission::Kind::duplicate : Admission::Kind::conflict, 0, nullptr};
    }
    if (control) {
        if (controlInFlight >= controlCapacity) {
            return {Admission::Kind::busy, 0, nullptr};
        }
        ++controlInFlight;
    } else if (static_cast<int>(inFlight.size()) - controlInFlight >= ordinaryLimit) {
        return {Admission::Kind::busy, 0, nullptr};
    }
    inFlight.emplace(std::move(key), Entry{currentEpoch, fingerprint});
    return {Admission::Kind::run, currentEpoch, nullptr};
}

TicketState RequestLedger::state(const Ticket& ticket) const {
    const std::string key = text::nfc(ticket.id);
    std::lock_guard guard(lock);
    return stateLocked(key, ticket.epoch);
}

TicketState RequestLedger::stateLocked(const std::string& key, std::uint64_t ticketEpoch) const {
    if (halted) {
        return TicketState::stopped;
    }
    if (ticketEpoch != currentEpoch || cancelled.contains(key)) {
        return TicketState::cancelled;
    }
    return TicketState::live;
}

bool RequestLedger::isLive(const Ticket& ticket) const {
    return state(ticket) == TicketState::live;
}

void RequestLedger::check(const Ticket& ticket) const {
    switch (state(ticket)) {
    case TicketState::live:
        return;
    case TicketState::stopped:
        throw failures::stopped();
    case TicketState::cancelled:
        throw failures::cancelled();
    }
}

bool RequestLedger::cancel(const std::string& id) {
    std::string key = text::nfc(id);
    std::lock_guard guard(lock);
    if (!inFlight.contains(key)) {
        return false;
    }
    cancelled.insert(std::move(key));
    return true;
}

bool RequestLedger::halt() {
    std::lock_guard guard(lock);
    const bool wasHalted = halted;
    halted = true;
    ++currentEpoch;
    for (const auto& entry : inFlight) {
        cancelled.insert(entry.first);
    }
    return wasHalted;
}

void RequestLedger::resume() {
    std::lock_guard guard(lock);
    halted = false;
    ++currentEpoch;
}

void RequestLedger::finish(const std::string& id, const Json& response, bool control) {
    std::string key = text::nfc(id);
    auto stored = std::make_shared<const Json>(response);
    std::lock_guard guard(lock);
    std::string fingerprint;
    if (auto entry = inFlight.find(key); entry != inFlight.end()) {
        fingerprint = std::move(entry->second.fingerprint);
        inFlight.erase(entry);
        if (control) {
            controlInFlight = std::max(controlInFlight - 1, 0);
        }
    }
    cancelled.erase(key);
    auto receipt = receipts.find(key);
    if (receipt == receipts.end()) {
        receiptOrder.push_back(key);
        receipts.emplace(std::move(key), Receipt{std::move(fingerprint), std::move(stored)});
    } else {
        receipt->second = Receipt{std::move(fingerprint), std::move(stored)};
    }
    trimReceipts();
}

void RequestLedger::trimReceipts() {
    while (receiptOrder.size() > static_cast<std::size_t>(std::max(receiptCapacity, 0))) {
        receipts.erase(receiptOrder.front());
        receiptOrder.pop_front();
    }
}

std::uint64_t RequestLedger::epoch() const {
    std::lock_guard guard(lock);
    return currentEpoch;
}

bool RequestLedger::isHalted() const {
    std::lock_guard guard(lock);
    return halted;
}

int RequestLedger::inFlightCount() const {
    std::lock_guard guard(lock);
    return static_cast<int>(inFlight.size());
}

} // namespace orvel
