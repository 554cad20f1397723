#include "settings/machines.h"

#include "errors/trap.h"
#include "platform/event_pass.h"
#include "platform/platform.h"
#include "platform/text.h"
#include "settings/file_locations.h"
#include "settings/ini.h"
#include "settings/program_state.h"

namespace tolvane {
namespace {

void StoreMachine(int n, const std::string& name) {
  auto& names = State().MachineNames;
  if (names.size() < static_cast<size_t>(n) + 1) names.resize(static_cast<size_t>(n) + 1);
  names[static_cast<size_t>(n)] = name;
}

}  // namespace

void GetExistingMachines(const std::string& configuration_file) {
  Trap trap("GetExistingMachines");
  ProgramState& state = State();
  trap.Step([&] { state.ProgramIniPath = GetProgramIniPath(1); });
  if (trap.Test([&] { return state.IntegratedMode; })) {
    if (trap.Test([&] {
          return configuration_file.empty() || !platform::Current().files->Exists(configuration_file);
        }))
      return;
    for (int n = 1; n <= 5; ++n) {
      std::string name;
      trap.Step([&] { name = LoadIniString("Common", "NameM" + text::Decimal(n), configuration_file, false); });
      if (trap.Test([&] { return name == "-" || name.empty(); })) break;
      trap.Step([&] { StoreMachine(n, name); });
    }
  } else {
    int16_t count = 0;
    trap.Step([&] { count = LoadIniInteger("Project", "NumberOfMachines", state.ProgramIniPath, false); });
    for (int n = 1; n <= count; ++n) {
      trap.Step([&] {
        StoreMachine(n, LoadIniString("Machine" + text::Decimal(n), "MachineName", state.ProgramIniPath, false));
      });
    }
  }
}

std::string GetValidMachines() {
  return LoadIniString("Project", "ValidMachines", GetCFGPath(), false);
}

}  // namespace tolvane
