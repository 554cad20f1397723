// The component's own part of the run: the rows of PRESET_DEFS generated from the template
// rows of Source_PRESET_DEFS, for machine 1.
#pragma once

namespace tolvane {
namespace dao {
class Database;
}

// Fills PRESET_DEFS of the open template database.
void CreateRecordSets(dao::Database& template_db);

}  // namespace tolvane
