// Changing a table's rows: insert, update and delete, with everything that must stay in
// step with them: the data pages' offset tables and free space, the table's owned-pages
// and free-space maps, LVAL pages for long values, every index of the table (a change that
// would break a unique index fails with 3022; a key this engine cannot build fails with
// 3251 before anything is written), and the counts in the table definition (rows, last
// autonumber, distinct keys per index).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "jet/index_tree.h"
#include "jet/tdef.h"
#include "jet/value.h"
#include "jet/write_row.h"
#include "jet/write_session.h"

namespace tolvane::jet {

struct RowHome {
  uint32_t page = 0;
  uint8_t row = 0;
};

class TableWriter : private LongValueStore {
 public:
  TableWriter(WriteSession& session, uint32_t tdef_page, std::string name, bool is_system);
  ~TableWriter() override;

  const TableDef& table() const { return table_; }

  // `values` has one entry per field (TableDef::fields() order); a null autonumber gets the
  // next number. Returns where the row lives.
  RowHome Insert(const std::vector<Value>& values);
  // Replaces the row whose home is `home`: in place when it fits, else moved with an
  // overflow pointer left at home. Its index entries keep pointing at home.
  void Update(RowHome home, const std::vector<Value>& values);
  void Delete(RowHome home);

  // The current values of the row at `home`.
  std::vector<Value> Read(RowHome home) const;

 private:
  RowPointer AddLongValueRow(size_t field, const std::string& bytes) override;
  size_t MaxLongValueRow() const override;

  std::vector<Value> Coerce(const std::vector<Value>& values, bool assign_autonumbers);
  std::vector<std::string> Keys(const std::vector<Value>& values) const;
  bool KeyIndexed(size_t index, const std::vector<Value>& values) const;
  void CheckUnique(const std::vector<std::string>& keys, const std::vector<Value>& values,
                   const std::vector<std::string>* old_keys) const;
  IndexTree Tree(size_t index);
  // Puts `row` on a data page of the table; returns its position.
  RowHome Place(const std::string& row, uint16_t flags);
  void WriteCounts();

  class IndexStore;
  WriteSession& session_;
  TableDef table_;
  uint32_t last_page_ = 0;  // data page rows are added to; 0 when none yet
  // Per field: the LVAL page its long values go to, and the maps that page is listed in.
  std::vector<uint32_t> lval_pages_;
  std::vector<RowPointer> lval_owned_, lval_free_;
  uint32_t row_count_ = 0;
  uint32_t autonumber_ = 0;
  std::vector<uint32_t> unique_counts_;
  std::vector<std::unique_ptr<IndexStore>> stores_;
};

// Keys for `values` (coerced, one per field) of a physical index.
std::string IndexKeyOfValues(const TableDef& table, const PhysicalIndex& index,
                             const std::vector<Value>& values);

}  // namespace tolvane::jet
