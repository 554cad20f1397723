// Who the program is, from the folder and name of its executable.
#pragma once

#include <string>

namespace tolvane {

std::string ProgramFolder();
// The executable's file name without its extension, e.g. Tolvane_Config.
std::string ExecutableName();
// The executable's file name as it lies in the program folder (with ".exe" on Windows).
std::string ExecutableFileName();
// The executable's name less its last seven characters ("_Config").
std::string GetOCXName();
// The same without a trap, for the error handler itself: empty when the name is too short.
std::string ComponentNameOrEmpty();
// The text after the last path separator, or the whole text.
std::string GetFileNameOnly(const std::string& path);
// The program folder's parent: up to its last separator, which is dropped too.
std::string ProductFolder();
// The platform's path separator as a text.
std::string Sep();

}  // namespace tolvane
