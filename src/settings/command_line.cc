#include "settings/command_line.h"

#include "errors/trap.h"
#include "platform/platform.h"
#include "platform/text.h"
#include "settings/program_state.h"

namespace tolvane {

std::string ReadCommand(const std::string& command_line, const std::string& switch_name) {
  std::string result;
  Trap trap("ReadCommand");
  trap.Step([&] {
    // Positions count characters: upper-casing keeps the count, not always the bytes.
    std::u32string line = text::Decode(command_line);
    std::u32string upper_line = text::Decode(text::Upper(command_line));
    std::u32string name = text::Decode(text::Upper(switch_name));
    size_t at = upper_line.find(name);
    if (at == std::u32string::npos) return;
    size_t after = at + name.size() + 1;  // the one separator character is skipped
    std::string raw = after >= line.size() ? std::string() : text::Encode(line.substr(after));
    std::string value = text::Upper(text::TrimBlanks(raw));
    size_t slash = value.find('/');
    if (slash != std::string::npos) value = text::Upper(text::TrimBlanks(value.substr(0, slash)));
    result = value;
  });
  return result;
}

bool GetStartModeIntegrated() {
  Trap trap("GetStartModeIntegrated");
  std::string value;
  trap.Step([&] { value = ReadCommand(platform::Current().process->CommandLine(), "EXTERNAL"); });
  bool result = text::Upper(value) == "ZRBCFG";
  State().IntegratedMode = result;
  State().SilentMode = text::Upper(value) == "SILENT";
  if (State().SilentMode) result = State().IntegratedMode = false;
  return result;
}

std::string GetPathLogfile() {
  std::string result;
  Trap trap("GetPathLogfile");
  trap.Step([&] { result = ReadCommand(platform::Current().process->CommandLine(), "LOGFILE"); });
  return result;
}

}  // namespace tolvane
