// Where every file of the run lies, computed afresh at each call from the program's
// identity and one INI entry.
#pragma once

#include <cstdint>
#include <string>

namespace tolvane {

std::string GetZRBConfigurationIniPath();      // empty when missing
std::string GetProgramIniPath(int32_t selector);  // empty when missing
std::string GetCFGPath();                      // a missing file ends the program
std::string GetPathOCXMDB();                   // not tested
std::string GetPathSourceOCXMDB();             // empty when missing
std::string GetPathMachineCopyMDB(const std::string& configuration_file);  // empty when missing

}  // namespace tolvane
