// What the engine's lock policy relies on: a session dictionary that reads unlocked while the
// desktop is unlocked and locked while it is locked, no dictionary at all when nothing can say,
// and the lock and unlock notifications delivered on the main loop.
#include "contract/ContractDesktops.hpp"

#include "OrvelControlCore/LockState.hpp"

#include <map>
#include <mutex>
#include <vector>

namespace orvel::contract {
namespace {

// What the notification observers of one desktop saw; observers are never removed, so they
// are added once per desktop and record into this for the rest of the binary.
struct NotificationRecord {
    std::mutex mutex;
    std::vector<std::string> names; // guarded by mutex
    bool allOnMainLoop = true;      // guarded by mutex

    void add(const std::string& name, bool onMainLoop) {
        std::lock_guard lock(mutex);
        names.push_back(name);
        allOnMainLoop = allOnMainLoop && onMainLoop;
    }
    bool saw(const std::string& name) {
        std::lock_guard lock(mutex);
        return std::find(names.begin(), names.end(), name) != names.end();
    }
    void clear() {
        std::lock_guard lock(mutex);
        names.clear();
    }
};

class SessionLockContract : public ContractTest {
  protected:
    LockState lockState() {
        auto session = platform().windowServer.copyCurrentSessionDictionary();
        return LockPolicy::interpret(session, std::nullopt);
    }

    NotificationRecord& notifications() {
        static std::map<ContractDesktop*, std::unique_ptr<NotificationRecord>> records;
        auto& record = records[&desktop()];
        if (!record) {
            record = std::make_unique<NotificationRecord>();
            auto* target = record.get();
            auto& loop = platform().mainLoop;
            for (const char* name : {platform::notification::screenIsLocked,
                                     platform::notification::screenIsUnlocked}) {
                platform().notifications.addObserver(
                    name, [target, name, &loop] { target->add(name, loop.isMainThread()); });
            }
        }
        return *record;
    }
};

TEST_P(SessionLockContract, AnUnlockedDesktopReadsUnlocked) {
    EXPECT_EQ(lockState(), LockState::unlocked());
}

TEST_P(SessionLockContract, ALockedDesktopReadsLockedUntilItIsUnlocked) {
    desktop().setLocked(true);
    EXPECT_TRUE(eventually([&] { return lockState() == LockState::locked("screen_locked"); }))
        << lockState().label();
    desktop().setLocked(false);
    EXPECT_TRUE(eventually([&] { return lockState() == LockState::unlocked(); }));
}

TEST_P(SessionLockContract, LockAndUnlockAreNotifiedOnTheMainLoop) {
    auto& record = notifications();
    record.clear();
    desktop().setLocked(true);
    EXPECT_TRUE(eventually([&] { return record.saw(platform::notification::screenIsLocked); }));
    desktop().setLocked(false);
    EXPECT_TRUE(eventually([&] { return record.saw(platform::notification::screenIsUnlocked); }));
    std::lock_guard lock(record.mutex);
    EXPECT_TRUE(record.allOnMainLoop);
}

TEST_P(SessionLockContract, NoSourceOfTheLockStateGivesNoDictionary) {
    desktop().setLockSourcesAbsent(true);
    EXPECT_TRUE(eventually(
        [&] { return !platform().windowServer.copyCurrentSessionDictionary().has_value(); }));
    EXPECT_EQ(lockState(), LockState::unknown("session_unavailable"));
    desktop().setLockSourcesAbsent(false);
    EXPECT_TRUE(eventually([&] { return lockState() == LockState::unlocked(); }));
}

ORVEL_CONTRACT_SUITE(SessionLockContract);

} // namespace
} // namespace orvel::contract
