// The desktops the contract suites run on, each built the first time a suite asks for it and
// torn down when the test binary ends: "simulated" always, "linux" where the Linux desktop is
// built and the test runs inside the private desktop session.
#pragma once

#include "support/Eventually.hpp"

#include "contract/ContractDesktop.hpp"

#include <gtest/gtest.h>

#include <string>

namespace orvel::contract {

// The desktop named `kind`; null with `whyNot` set when it cannot run here.
ContractDesktop* contractDesktop(const std::string& kind, std::string& whyNot);

// The base of every contract suite: the desktop of the suite's parameter, reset before each
// test; the test is skipped when that desktop cannot run here.
class ContractTest : public ::testing::TestWithParam<std::string> {
  protected:
    void SetUp() override;
    ContractDesktop& desktop() { return *desktop_; }
    platform::Platform& platform() { return desktop_->platform(); }

  private:
    ContractDesktop* desktop_ = nullptr;
};

// Instantiates a contract suite once per desktop: Simulated/<Suite>.<Test> and
// Linux/<Suite>.<Test>.
#define ORVEL_CONTRACT_SUITE(Suite)                                                                \
    INSTANTIATE_TEST_SUITE_P(Simulated, Suite, ::testing::Values(std::string("simulated")),        \
                             [](const auto&) { return std::string("simulated"); });                \
    INSTANTIATE_TEST_SUITE_P(Linux, Suite, ::testing::Values(std::string("linux")),                \
                             [](const auto&) { return std::string("linux"); })

using orvel::testing::eventually;

} // namespace orvel::contract
