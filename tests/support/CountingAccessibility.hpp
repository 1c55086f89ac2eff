// An accessibility service that forwards to another and counts the messages sent, so tests
// can see how many messages an operation costs.
#pragma once

#include "platform/AccessibilityService.hpp"

#include <map>
#include <mutex>
#include <string>

namespace orvel::testing {

class CountingAccessibility : public platform::AccessibilityService {
  public:
    explicit CountingAccessibility(platform::AccessibilityService& inner) : inner_(inner) {}

    int messages() const {
        std::lock_guard guard(lock_);
        int total = 0;
        for (const auto& [name, count] : counts_) {
            total += count;
        }
        return total;
    }
    // Messages by attribute or call, for a readable failure.
    std::map<std::string, int> counts() const {
        std::lock_guard guard(lock_);
        return counts_;
    }

    bool isProcessTrusted(bool prompt) override { return inner_.isProcessTrusted(prompt); }
    platform::ElementHandle createApplication(std::int32_t pid) override {
        return inner_.createApplication(pid);
    }
    platform::ElementHandle createSystemWide() override { return inner_.createSystemWide(); }
    std::int32_t setMessagingTimeout(const platform::ElementHandle& element,
                                     float seconds) override {
        return inner_.setMessagingTimeout(element, seconds);
    }
    using platform::AccessibilityService::copyActionNames;
    using platform::AccessibilityService::copyAttributeValue;
    using platform::AccessibilityService::isAttributeSettable;
    platform::AXAnswer<platform::AXValue>
    copyAttributeValue(const platform::ElementHandle& element, const std::string& attribute,
                       platform::CallTimeout timeout) override {
        count(attribute);
        return inner_.copyAttributeValue(element, attribute, timeout);
    }
    platform::AXAnswer<std::vector<std::string>>
    copyActionNames(const platform::ElementHandle& element,
                    platform::CallTimeout timeout) override {
        count("actions");
        return inner_.copyActionNames(element, timeout);
    }
    platform::AXAnswer<bool> isAttributeSettable(const platform::ElementHandle& element,
                                                 const std::string& attribute,
                                                 platform::CallTimeout timeout) override {
        count("settable " + attribute);
        return inner_.isAttributeSettable(element, attribute, timeout);
    }
    std::int32_t setAttributeValue(const platform::ElementHandle& element,
                                   const std::string& attribute,
                                   const std::string& value) override {
        count("set " + attribute);
        return inner_.setAttributeValue(element, attribute, value);
    }
    std::int32_t performAction(const platform::ElementHandle& element,
                               const std::string& action) override {
        count("perform " + action);
        return inner_.performAction(element, action);
    }
    platform::AXAnswer<platform::ElementHandle>
    copyElementAtPosition(const platform::ElementHandle& systemWide, float x, float y) override {
        count("element at position");
        return inner_.copyElementAtPosition(systemWide, x, y);
    }
    platform::AXAnswer<std::int32_t> getPid(const platform::ElementHandle& element) override {
        return inner_.getPid(element);
    }
    bool equal(const platform::ElementHandle& a, const platform::ElementHandle& b) override {
        return inner_.equal(a, b);
    }

  private:
    void count(const std::string& name) {
        std::lock_guard guard(lock_);
        counts_[name] += 1;
    }

    platform::AccessibilityService& inner_;
    mutable std::mutex lock_;
    std::map<std::string, int> counts_; // guarded by lock_
};

} // namespace orvel::testing
