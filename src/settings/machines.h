// The machines of the installation and the component's valid-machines text.
#pragma once

#include <string>

namespace tolvane {

// Sets ProgramIniPath and fills MachineNames: from the product configuration file in an
// integrated run (NameM1..NameM5), from program.ini otherwise.
void GetExistingMachines(const std::string& configuration_file);
// ValidMachines of the component's .cfg, as written. No trap of its own.
std::string GetValidMachines();

}  // namespace tolvane
