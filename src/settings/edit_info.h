// The stamp in the component's .cfg: program version and start mode, and an editor code
// derived from the first environment entry.
#pragma once

#include <string>

namespace tolvane {

void WriteEditInfo();
// The code of a source text: each character but '-' and '_' as (code + 5) in upper-case hex.
std::string EditorCode(const std::string& source);

}  // namespace tolvane
