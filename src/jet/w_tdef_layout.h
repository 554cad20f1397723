// A Jet 4 table definition as raw bytes with the offsets of its sections, for the edits
// the reader's TableDef does not need: renaming a column (names are variable-length, so
// later sections shift and the page chain may grow or shrink) and finding the usage maps
// of long-value columns (listed after the index names).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "jet/data_page.h"
#include "jet/write_session.h"

namespace tolvane::jet {

struct TdefLayout {
  std::vector<uint8_t> bytes;        // pages concatenated (continuations without headers)
  std::vector<uint32_t> pages;       // the chain
  size_t columns = 0;                // first column block
  size_t names = 0;                  // first column name
  std::vector<size_t> name_offsets;  // per column block, in block order
  size_t lv_maps = 0;                // first long-value map entry
  struct LongValueMaps {
    uint16_t col_num;
    RowPointer owned, free;
  };
  std::vector<LongValueMaps> long_value_maps;

  static TdefLayout Read(WriteSession& s, uint32_t tdef_page);
  // Writes `bytes` back over the chain (adding or freeing continuation pages).
  void Write(WriteSession& s);
};

}  // namespace tolvane::jet
