// Decoding one row of a data page into values. A row holds its column count, the fixed
// columns at their offsets (full width even when null), the variable columns' data, their
// offset table (read backwards from the end) and a null mask (1 = not null; Booleans live
// only there). Jet 3 stores one-byte offsets plus a jump table for rows of 256 bytes and
// more. Layout is parsed once per row; a column is decoded only when asked for.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "jet/data_page.h"
#include "jet/pager.h"
#include "jet/tdef.h"
#include "jet/value.h"

namespace tolvane::jet {

class RowDecoder {
 public:
  RowDecoder(const Pager& pager, const TableDef& table, uint16_t code_page);

  // Parses the row's layout; 3049 when its offsets do not fit inside it.
  void Load(const Page& page, const RowSlot& slot);

  // Field `i` (in TableDef::fields() order) of the loaded row.
  void Decode(size_t i, Value& out) const;

  // The bytes field `i` occupies in the row (for a long value: its 12-byte descriptor);
  // false when it is null or absent from the row. Booleans have none.
  bool StoredBytes(size_t i, const uint8_t*& data, size_t& size) const;

 private:
  [[noreturn]] void Corrupt(const std::string& what) const;
  bool NotNull(uint16_t col_num) const;

  const Pager& pager_;
  const TableDef& table_;
  uint16_t code_page_;
  bool jet3_;

  uint32_t page_number_ = 0;
  const uint8_t* row_ = nullptr;
  uint32_t size_ = 0;
  uint16_t num_cols_ = 0;
  const uint8_t* mask_ = nullptr;
  uint32_t var_count_ = 0;
  uint32_t var_table_start_ = 0;    // variable data must end before this
  std::vector<uint32_t> var_offsets_;  // var_count_ + 1 entries
};

}  // namespace tolvane::jet
