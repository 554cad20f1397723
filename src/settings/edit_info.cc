#include "settings/edit_info.h"

#include <cstdio>

#include "errors/trap.h"
#include "platform/platform.h"
#include "platform/text.h"
#include "settings/file_locations.h"
#include "settings/ini.h"
#include "settings/program_state.h"

namespace tolvane {

std::string EditorCode(const std::string& source) {
  std::string code;
  for (char32_t c : text::Decode(source)) {
    if (c == U'-' || c == U'_') continue;
    char hex[8];
    std::snprintf(hex, sizeof hex, "%X", static_cast<unsigned>(text::Cp1252Code(c)) + 5u);
    code += hex;
  }
  return code;
}

void WriteEditInfo() {
  Trap trap("WriteEditInfo");
  trap.Step([&] {
    std::string version = text::Decimal(TOLVANE_VERSION_MAJOR) + "." + text::Decimal(TOLVANE_VERSION_MINOR) +
                          "." + text::Decimal(TOLVANE_VERSION_REVISION);
    std::string mode = State().IntegratedMode ? " - Integrated" : " - Standalone";
    SaveIni(IniText(version + mode), "Info", "S_Prog", GetCFGPath());
  });
  std::string code;
  trap.Step([&] {
    std::string entry = platform::Current().process->FirstEnvironmentEntry();
    size_t eq = entry.find('=');
    code = EditorCode(eq == std::string::npos ? entry : entry.substr(eq + 1));
  });
  trap.Step([&] { SaveIni(IniText(code), "Info", "S_Editor", GetCFGPath()); });
}

}  // namespace tolvane
