// The builders of the contract desktops, one per desktop; each returns null with `whyNot`
// set when its desktop cannot run here.
#pragma once

#include "contract/ContractDesktop.hpp"

#include <memory>
#include <string>

namespace orvel::contract {

std::unique_ptr<ContractDesktop> makeSimulatedContractDesktop(std::string& whyNot);
std::unique_ptr<ContractDesktop> makeLinuxContractDesktop(std::string& whyNot);

} // namespace orvel::contract
