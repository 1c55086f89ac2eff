// An accessibility service that forwards to another and adds up the time spent inside it,
// so a benchmark can tell the program's own cost from the (simulated) platform's.
#pragma once

#include "platform/AccessibilityService.hpp"

#include <atomic>
#include <chrono>

namespace orvel::bench {

class TimedAccessibility : public platform::AccessibilityService {
    template <class Call> auto timed(Call&& call) -> decltype(call()) {
        auto started = std::chrono::steady_clock::now();
        auto result = call();
        nanoseconds_ += std::chrono::duration_cast<std::chrono::nanoseconds>(
                            std::chrono::steady_clock::now() - started)
                            .count();
        return result;
    }

  public:
    explicit TimedAccessibility(platform::AccessibilityService& inner) : inner_(inner) {}

    double seconds() const { return static_cast<double>(nanoseconds_.load()) / 1e9; }
    void reset() { nanoseconds_ = 0; }

    bool isProcessTrusted(bool prompt) override {
        return timed([&] { return inner_.isProcessTrusted(prompt); });
    }
    platform::ElementHandle createApplication(std::int32_t pid) override {
        return timed([&] { return inner_.createApplication(pid); });
    }
    platform::ElementHandle createSystemWide() override {
        return timed([&] { return inner_.createSystemWide(); });
    }
    std::int32_t setMessagingTimeout(const platform::ElementHandle& element,
                                     float seconds) override {
        return timed([&] { return inner_.setMessagingTimeout(element, seconds); });
    }
    using platform::AccessibilityService::copyActionNames;
    using platform::AccessibilityService::copyAttributeValue;
    using platform::AccessibilityService::isAttributeSettable;
    platform::AXAnswer<platform::AXValue>
    copyAttributeValue(const platform::ElementHandle& element, const std::string& attribute,
                       platform::CallTimeout timeout) override {
        return timed([&] { return inner_.copyAttributeValue(element, attribute, timeout); });
    }
    platform::AXAnswer<std::vector<std::string>>
    copyActionNames(const platform::ElementHandle& element,
                    platform::CallTimeout timeout) override {
        return timed([&] { return inner_.copyActionNames(element, timeout); });
    }
    platform::AXAnswer<bool> isAttributeSettable(const platform::ElementHandle& element,
                                                 const std::string& attribute,
                                                 platform::CallTimeout timeout) override {
        return timed([&] { return inner_.isAttributeSettable(element, attribute, timeout); });
    }
    std::int32_t setAttributeValue(const platform::ElementHandle& element,
                                   const std::string& attribute,
                                   const std::string& value) override {
        return timed([&] { return inner_.setAttributeValue(element, attribute, value); });
    }
    std::int32_t performAction(const platform::ElementHandle& element,
                               const std::string& action) override {
        return timed([&] { return inner_.performAction(element, action); });
    }
    platform::AXAnswer<platform::ElementHandle>
    copyElementAtPosition(const platform::ElementHandle& systemWide, float x, float y) override {
        return timed([&] { return inner_.copyElementAtPosition(systemWide, x, y); });
    }
    platform::AXAnswer<std::int32_t> getPid(const platform::ElementHandle& element) override {
        return timed([&] { return inner_.getPid(element); });
    }
    bool equal(const platform::ElementHandle& a, const platform::ElementHandle& b) override {
        return timed([&] { return inner_.equal(a, b); });
    }

  private:
    platform::AccessibilityService& inner_;
    std::atomic<long long> nanoseconds_{0};
};

} // namespace orvel::bench
