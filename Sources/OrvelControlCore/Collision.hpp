// Telling the program's own input events from the user's, and the takeover listener's
// health as reported to clients.
//
// The program marks every event it creates with a random signature in the event's source
// user-data field; an event without it is the user's, and a user event during an automated
// foreground action is a takeover. Pure value types; thread-safe to copy.
#pragma once

#include "OrvelControlCore/Json.hpp"

#include <cstdint>
#include <optional>
#include <string>

namespace orvel {

enum class CollisionVerdict { own, userIdle, userTakeover };

struct CollisionPolicy {
    std::int64_t signature = 1;

    // A policy whose signature is drawn uniformly from 1 ... INT64_MAX from the system's
    // secure random source, so it is never 0 (the user data of every event not made by
    // this program) and never negative.
    static CollisionPolicy random();

    CollisionVerdict classify(std::int64_t userData, bool automationActive) const;
};

struct ListenerStatus {
    bool active = false;
    std::optional<std::string> reason = "not_started";
    std::optional<double> lastUserInputAt; // seconds since 1970
    int takeovers = 0;

    bool operator==(const ListenerStatus&) const = default;

    // {"active", "reason" (or null), "lastUserInputAt" (or null), "takeovers"}.
    Json payload() const;

    static ListenerStatus inactive(std::string reason) {
        return ListenerStatus{false, std::move(reason), {}, 0};
    }
    static ListenerStatus running() { return ListenerStatus{true, std::nullopt, {}, 0}; }
};

} // namespace orvel
