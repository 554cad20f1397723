#include "run/additional_fields.h"

#include "errors/trap.h"
#include "platform/event_pass.h"
#include "settings/file_locations.h"
#include "settings/ini.h"
#include "settings/program_state.h"

namespace tolvane {

std::vector<std::string> GetAdditionalFieldsMDB() {
  Trap trap("GetAdditionalFieldsMDB");
  std::vector<std::string> list{std::string()};
  std::string value;
  trap.Step([&] { value = LoadIniString("Project", "DataBaseAdditionalFields", GetCFGPath(), false); });
  std::string rest = value.empty() ? "part" : "part," + value;
  for (;;) {
    DoEvents();
    size_t comma = rest.find(',');
    if (comma == std::string::npos) {
      list.push_back(rest);
      break;
    }
    list.push_back(rest.substr(0, comma));
    rest = rest.substr(comma + 1);
  }
  return list;
}

void GetAddFields() {
  Trap trap("GetAddFields");
  ProgramState& state = State();
  trap.Step([&] { state.AddFieldNames = GetAdditionalFieldsMDB(); });
  if (!state.AddFieldNames) return;
  std::string sql;
  const std::vector<std::string>& names = *state.AddFieldNames;
  for (size_t i = 1; i < names.size(); ++i) sql += ", PRESET_DEFS." + names[i];
  state.AddFieldsSQL = sql;
  trap.Step([&] { state.AddFieldCount = ToInt16(static_cast<long long>(names.size()) - 1); });
}

}  // namespace tolvane
