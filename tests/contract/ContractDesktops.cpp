#include "contract/ContractDesktops.hpp"

#include "contract/DesktopFactories.hpp"

#include <map>
#include <memory>
#include <thread>

namespace orvel::contract {

namespace {

using namespace std::chrono_literals;

struct Built {
    std::unique_ptr<ContractDesktop> desktop;
    std::string whyNot;
};

// The desktops of this test binary; built on first use, torn down by the environment below
// before the binary's statics go.
std::map<std::string, Built>& desktops() {
    static std::map<std::string, Built> built;
    return built;
}

class DesktopTeardown : public ::testing::Environment {
  public:
    void TearDown() override { desktops().clear(); }
};

[[maybe_unused]] const auto* const teardown =
    ::testing::AddGlobalTestEnvironment(new DesktopTeardown);

Built build(const std::string& kind) {
    Built built;
    if (kind == "simulated") {
        built.desktop = makeSimulatedContractDesktop(built.whyNot);
    } else if (kind == "linux") {
        built.desktop = makeLinuxContractDesktop(built.whyNot);
    } else {
        built.whyNot = "no desktop named " + kind;
    }
    return built;
}

} // namespace

ContractDesktop* contractDesktop(const std::string& kind, std::string& whyNot) {
    auto found = desktops().find(kind);
    if (found == desktops().end()) {
        found = desktops().emplace(kind, build(kind)).first;
    }
    whyNot = found->second.whyNot;
    return found->second.desktop.get();
}

void ContractTest::SetUp() {
    std::string whyNot;
    desktop_ = contractDesktop(GetParam(), whyNot);
    if (desktop_ == nullptr) {
        GTEST_SKIP() << whyNot;
    }
    desktop_->reset();
}

} // namespace orvel::contract
