// The index check every test runs after every change: for each physical index of each
// table (the catalog's own included), the B-tree must be well formed (see IndexTree) and
// hold exactly one entry per live row, at the row's position, with the key recomputed
// from the row's values, in key order. Tables are found through the catalog; the
// catalog's own indexes must list every table row, so a reader that finds tables only
// through the ParentIdName index sees the same tables as one that scans.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "jet/pager.h"
#include "jet/tdef.h"

namespace tolvane::jet {

struct IndexCheckResult {
  int indexes_checked = 0;
  int entries_checked = 0;
  std::vector<std::string> problems;  // empty when all is well
};

// Checks the indexes of one table; adds what it finds to `result`.
void CheckTableIndexes(const Pager& pager, const TableDef& table, uint16_t code_page,
                       IndexCheckResult& result, bool check_row_counts = false);

// Checks every table of the file. Opens `path` read-only. Access itself leaves stale row
// counts in some definitions (testV2000's MSysACEs), so comparing them is asked for.
IndexCheckResult CheckAllIndexes(const std::string& path, bool check_row_counts = false);

// Key of `columns` for the current row of a decoder (exposed for writers).
class RowDecoder;
std::string IndexKeyOfRow(const TableDef& table, const PhysicalIndex& index,
                          const RowDecoder& row, int jet_version);

}  // namespace tolvane::jet
