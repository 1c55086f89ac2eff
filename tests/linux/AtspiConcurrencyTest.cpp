// The accessibility service called from several threads at once: each caller has a
// connection of its own, so answers never mix and a stopped application holds up only the
// thread that asked it.
#include "linux/support/PrivateSession.hpp"
#include "linux/support/RunningApp.hpp"
#include "linux/support/TreeSearch.hpp"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

namespace orvel::testing {
namespace {

namespace ax = platform::ax;
using linuxdesktop::AtspiAccessibility;
using namespace std::chrono_literals;

class AtspiConcurrencyTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        if (!privateSessionMissing().empty()) {
            return;
        }
        service = AtspiAccessibility::fromEnvironment().release();
        form = RunningApp::startTestApp(*service, "form.py", "Skjema").release();
    }
    static void TearDownTestSuite() {
        delete form;
        form = nullptr;
        delete service;
        service = nullptr;
    }
    void SetUp() override {
        ORVEL_REQUIRE_PRIVATE_SESSION();
        ASSERT_NE(form, nullptr);
    }

    static AtspiAccessibility* service;
    static RunningApp* form;
};

AtspiAccessibility* AtspiConcurrencyTest::service = nullptr;
RunningApp* AtspiConcurrencyTest::form = nullptr;

TEST_F(AtspiConcurrencyTest, ThreadsReadingAtOnceEachGetTheirOwnAnswers) {
    auto expected = walkTree(*service, form->window());
    std::atomic<int> wrong{0};
    std::vector<std::thread> threads;
    for (int thread = 0; thread < 4; ++thread) {
        threads.emplace_back([&, thread] {
            for (int round = 0; round < 5; ++round) {
                if (thread == 0) {
                    service->setMessagingTimeout(form->window(), round % 2 == 0 ? 4.0F : 5.0F);
                }
                auto seen = walkTree(*service, form->window());
                if (seen.size() != expected.size()) {
                    ++wrong;
                    continue;
                }
                for (std::size_t index = 0; index < seen.size(); ++index) {
                    if (seen[index].role != expected[index].role ||
                        seen[index].title != expected[index].title) {
                        ++wrong;
                    }
                }
                auto reader = service->observationReader(form->window());
                auto reads = reader->read({form->window()}, [] { return true; });
                if (reads.size() != 1 || !reads[0].role.ok() ||
                    reads[0].role.value.string != "AXWindow") {
                    ++wrong;
                }
            }
        });
    }
    for (auto& thread : threads) {
        thread.join();
    }
    EXPECT_EQ(wrong.load(), 0);
}

TEST_F(AtspiConcurrencyTest, AStoppedApplicationHoldsUpOnlyTheThreadThatAskedIt) {
    auto other = RunningApp::startTestApp(*service, "form.py", "Skjema");
    ASSERT_NE(other, nullptr);
    ASSERT_EQ(service->setMessagingTimeout(other->window(), 1.0F), ax::success);
    other->pause();
    std::atomic<bool> blocked{false};
    std::thread stuck([&] {
        blocked = true;
        EXPECT_EQ(service->copyAttributeValue(other->window(), "AXRole").status,
                  ax::cannotComplete);
        blocked = false;
    });
    while (!blocked) {
        std::this_thread::yield();
    }
    std::this_thread::sleep_for(50ms);
    auto started = std::chrono::steady_clock::now();
    EXPECT_EQ(textOf(*service, form->window(), "AXTitle"), "Skjema");
    EXPECT_LT(std::chrono::steady_clock::now() - started, 500ms);
    EXPECT_TRUE(blocked.load()) << "the other thread is still waiting for the stopped app";
    stuck.join();
    other->resume();
}

} // namespace
} // namespace orvel::testing
