#include "settings/program_state.h"

#include "errors/failure.h"

namespace tolvane {

ProgramState& State() {
  static ProgramState state;
  return state;
}

void ResetState() { State() = ProgramState{}; }

int16_t MachineCount() {
  const auto& names = State().MachineNames;
  if (names.empty()) RaiseSubscriptOutOfRange();
  return ToInt16(static_cast<long long>(names.size()) - 1);
}

}  // namespace tolvane
