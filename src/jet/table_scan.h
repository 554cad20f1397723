// Walking a table's rows in storage order: its data pages in page order (from the usage
// map of its owned pages), and within a page the rows in offset-table order. Deleted rows
// and moved copies (0x8000) are skipped; an overflow row (0x4000) is followed to where its
// data now lives, but keeps its home location, which is what indexes and edits refer to.
#pragma once

#include <cstdint>
#include <vector>

#include "jet/data_page.h"
#include "jet/pager.h"
#include "jet/tdef.h"

namespace tolvane::jet {

// Where a row is reached from (its home) and where its bytes are.
struct RowLocation {
  uint32_t page = 0;  // home
  uint8_t row = 0;
  uint32_t data_page = 0;  // after following an overflow pointer
  RowSlot slot;
};

class TableScan {
 public:
  TableScan(const Pager& pager, const TableDef& table);

  // The next live row; false at the end.
  bool Next(RowLocation& out);
  void Rewind();

  // Resolves the row at (page, row), following overflow pointers; false when it is deleted.
  static bool Resolve(const Pager& pager, uint32_t page, uint8_t row, RowLocation& out);

 private:
  const Pager& pager_;
  const TableDef& table_;
  std::vector<uint32_t> pages_;
  size_t page_index_ = 0;
  int row_ = 0;
  int rows_on_page_ = -1;
};

}  // namespace tolvane::jet
