#include "platform/linux/input/KeycodePool.hpp"

#include <algorithm>

namespace orvel::linuxdesktop {

KeycodePool::KeycodePool(std::vector<unsigned int> spare, Clock::duration settle)
    : free_(std::move(spare)), settle_(settle) {}

std::optional<std::variant<KeycodePool::Lease, KeycodePool::Clock::time_point>>
KeycodePool::lease(Keysym keysym, Clock::time_point now) {
    for (auto& [keycode, loan] : loans_) {
        if (loan.keysym == keysym) {
            return Lease{keycode, false};
        }
    }
    if (!free_.empty()) {
        const unsigned int keycode = free_.front();
        free_.erase(free_.begin());
        loans_[keycode] = Loan{keysym, now, false};
        return Lease{keycode, true};
    }
    auto oldest = loans_.end();
    for (auto it = loans_.begin(); it != loans_.end(); ++it) {
        if (!it->second.down &&
            (oldest == loans_.end() || it->second.lastUse < oldest->second.lastUse)) {
            oldest = it;
        }
    }
    if (oldest == loans_.end()) {
        return std::nullopt;
    }
    if (now - oldest->second.lastUse < settle_) {
        return oldest->second.lastUse + settle_;
    }
    oldest->second = Loan{keysym, now, false};
    return Lease{oldest->first, true};
}

void KeycodePool::pressed(unsigned int keycode, Clock::time_point now) {
    if (auto found = loans_.find(keycode); found != loans_.end()) {
        found->second.down = true;
        found->second.lastUse = now;
    }
}

void KeycodePool::released(unsigned int keycode, Clock::time_point now) {
    if (auto found = loans_.find(keycode); found != loans_.end()) {
        found->second.down = false;
        found->second.lastUse = now;
    }
}

std::vector<unsigned int> KeycodePool::takeBack(Clock::time_point now,
                                                std::optional<Clock::duration> idle) {
    std::vector<unsigned int> taken;
    for (auto it = loans_.begin(); it != loans_.end();) {
        const bool due = !it->second.down && (!idle || now - it->second.lastUse >= *idle);
        if (due) {
            taken.push_back(it->first);
            free_.push_back(it->first);
            it = loans_.erase(it);
        } else {
            ++it;
        }
    }
    return taken;
}

std::optional<KeycodePool::Clock::time_point> KeycodePool::nextIdle(Clock::duration idle) const {
    std::optional<Clock::time_point> next;
    for (const auto& [keycode, loan] : loans_) {
        if (!loan.down && (!next || loan.lastUse + idle < *next)) {
            next = loan.lastUse + idle;
        }
    }
    return next;
}

std::optional<KeycodePool::Clock::time_point> KeycodePool::lastUse() const {
    std::optional<Clock::time_point> last;
    for (const auto& [keycode, loan] : loans_) {
        if (!last || loan.lastUse > *last) {
            last = loan.lastUse;
        }
    }
    return last;
}

std::vector<unsigned int> KeycodePool::lent() const {
    std::vector<unsigned int> keycodes;
    for (const auto& [keycode, loan] : loans_) {
        keycodes.push_back(keycode);
    }
    return keycodes;
}

} // namespace orvel::linuxdesktop
