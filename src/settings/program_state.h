// The program-wide values, each written by one operation and read by others.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace tolvane {

struct ProgramState {
  // Start mode (ReadCommand / GetStartModeIntegrated). Never both true.
  bool IntegratedMode = false;
  bool SilentMode = false;

  // Machine list (GetExistingMachines): slot 0 is no machine. Empty until the first
  // machine is stored; asking for the highest number of an empty list fails.
  std::vector<std::string> MachineNames;
  std::string ProgramIniPath;

  // Naming (WorkOnMDB): 0 VisiWin32, 1 VisiWinStudio; patterns [system][part 1..50].
  int16_t VWStudioMode = 0;
  std::array<std::array<std::string, 51>, 2> VarNamePattern{};

  // Additional fields (GetAddFields).
  std::optional<std::vector<std::string>> AddFieldNames;
  std::string AddFieldsSQL;
  int16_t AddFieldCount = 0;

  // The template file's times, saved before the run and put back after it.
  std::optional<platform::FileTimes> SavedTimes;
};

ProgramState& State();
// A fresh program start, for tests.
void ResetState();

// The highest number of the machine list; fails (9) when it holds no machine.
int16_t MachineCount();

}  // namespace tolvane
