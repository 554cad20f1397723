#include "run/work_on_mdb.h"

namespace tolvane {

// The database run is not built yet: the close sequence goes straight on to the stamp.
void WorkOnMDB() {}

}  // namespace tolvane
