// Where the Linux desktop is not built, its contract instances are skipped with the reason.
#include "contract/DesktopFactories.hpp"

namespace orvel::contract {

std::unique_ptr<ContractDesktop> makeLinuxContractDesktop(std::string& whyNot) {
    whyNot = "the Linux desktop is not built here (its libraries were not found)";
    return nullptr;
}

} // namespace orvel::contract
