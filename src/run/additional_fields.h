// The additional columns a component's PRESET_DEFS may carry: "part", then those named in
// the .cfg entry DataBaseAdditionalFields.
#pragma once

#include <string>
#include <vector>

namespace tolvane {

// Index 0 the empty text, 1 "part", then the configured names exactly as written.
std::vector<std::string> GetAdditionalFieldsMDB();
// Sets AddFieldNames, AddFieldsSQL and AddFieldCount.
void GetAddFields();

}  // namespace tolvane
