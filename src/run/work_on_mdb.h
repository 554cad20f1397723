// The configuration run on the databases: rebuilds PRESET_DEFS in the template database,
// takes over the previous values and copies the result over the component database.
#pragma once

namespace tolvane {

void WorkOnMDB();

}  // namespace tolvane
