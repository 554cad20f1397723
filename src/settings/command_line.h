// The command line: one text, the switches EXTERNAL (ZRBCFG, SILENT) and LOGFILE.
#pragma once

#include <string>

namespace tolvane {

// The value of the first occurrence of the switch name (found anywhere, case ignored),
// after the one separator character, trimmed, upper-cased, cut at the next "/".
std::string ReadCommand(const std::string& command_line, const std::string& switch_name);
// Sets IntegratedMode and SilentMode from the command line; true for an integrated run.
bool GetStartModeIntegrated();
// The LOGFILE value, upper-cased; empty when missing.
std::string GetPathLogfile();

}  // namespace tolvane
