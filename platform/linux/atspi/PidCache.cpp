#include "platform/linux/atspi/PidCache.hpp"

namespace orvel::linuxdesktop {

std::optional<std::int32_t> PidCache::find(const std::string& uniqueName) const {
    std::lock_guard guard(lock_);
    auto found = pids_.find(uniqueName);
    if (found == pids_.end()) {
        return std::nullopt;
    }
    return found->second;
}

void PidCache::remember(const std::string& uniqueName, std::int32_t pid) {
    std::lock_guard guard(lock_);
    if (pids_.size() >= mostNames) {
        pids_.clear();
    }
    pids_[uniqueName] = pid;
}

} // namespace orvel::linuxdesktop
