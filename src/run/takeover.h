// The takeover of the previous table's tuned values into the new PRESET_DEFS.
#pragma once

#include <memory>

namespace tolvane {
namespace dao {
class Database;
class Recordset;
}  // namespace dao

// For every old row of `old_rows`, the new row with the same machine_type, var_name and
// offset_or_bitno gets abs_min, abs_max, min, max and pass. Releases old_rows once read.
void TakeoverMachineCopyMDBData(dao::Database& template_db, std::unique_ptr<dao::Recordset>& old_rows);

}  // namespace tolvane
