// Recordsets: a cursor over rows of one table. The table kind walks the table in storage
// order; the query kind (a dynaset) holds the home location of each row it selected, in
// its order, so its count is known at once and an edit through it can be written back into
// the base table. Values are decoded from the page when first asked for.
#pragma once

#include <memory>
#include <string_view>
#include <vector>

#include "jet/pager.h"
#include "jet/row.h"
#include "jet/table_scan.h"
#include "jet/tdef.h"
#include "jet/value.h"

namespace tolvane::jet {

class Recordset {
 public:
  virtual ~Recordset() = default;
  Recordset(const Recordset&) = delete;
  Recordset& operator=(const Recordset&) = delete;

  bool IsEOF() const { return eof_; }
  virtual void MoveFirst() = 0;
  virtual void MoveNext() = 0;
  // Table kind: the count the table definition keeps; query kind: the rows selected.
  virtual long RecordCount() const = 0;

  int FieldCount() const { return static_cast<int>(columns_.size()); }
  const Field& FieldAt(int i) const;                      // 3265 out of range
  const Value& ValueAt(int i) const;                      // 3265, or 3021 without a row
  const Value& ValueByName(std::string_view name) const;  // 3265 for a missing name

  // The base table, and which of its fields column i shows.
  const TableDef& table() const { return *table_; }
  int TableFieldIndex(int i) const { return columns_.at(i); }
  // Home location of the current row (3021 without one).
  const RowLocation& location() const;

  // Editing as DAO does it (defined in w_object_model.cc): AddNew or Edit, SetValue for
  // fields, then Update (3020 without AddNew or Edit). SetValue converts at once (3421,
  // 3163 for a text too long). A query recordset writes into the base table row it shows.
  // Needs a Database with writing enabled (3027 otherwise).
  void AddNew();
  void Edit();
  void SetValue(int i, const Value& value);
  void SetValue(std::string_view name, const Value& value);
  void Update();
  void CancelUpdate();
  bool IsEditing() const { return edit_mode_ != 0; }

 protected:
  Recordset(std::shared_ptr<const Pager> pager, std::shared_ptr<const TableDef> table,
            uint16_t code_page, std::vector<int> columns);
  void SetCurrent(const RowLocation& at);
  void SetEOF() { eof_ = true; }
  const Pager& pager() const { return *pager_; }

 private:
  std::shared_ptr<const Pager> pager_;
  std::shared_ptr<const TableDef> table_;
  std::vector<int> columns_;
  RowDecoder decoder_;
  bool eof_ = true;
  RowLocation current_;
  mutable std::vector<Value> values_;
  mutable std::vector<uint32_t> decoded_in_;  // row generation each value belongs to
  uint32_t generation_ = 1;
  int edit_mode_ = 0;                // 0 none, 1 AddNew, 2 Edit
  std::vector<Value> edit_values_;   // one per field of the base table
};

class TableRecordset : public Recordset {
 public:
  TableRecordset(std::shared_ptr<const Pager> pager, std::shared_ptr<const TableDef> table,
                 uint16_t code_page);
  void MoveFirst() override;
  void MoveNext() override;
  long RecordCount() const override { return static_cast<long>(table().row_count()); }

 private:
  void Advance();
  TableScan scan_;
};

class QueryRecordset : public Recordset {
 public:
  QueryRecordset(std::shared_ptr<const Pager> pager, std::shared_ptr<const TableDef> table,
                 uint16_t code_page, std::vector<int> columns, std::vector<RowLocation> rows);
  void MoveFirst() override;
  void MoveNext() override;
  long RecordCount() const override { return static_cast<long>(rows_.size()); }

 private:
  std::vector<RowLocation> rows_;
  size_t position_ = 0;
};

}  // namespace tolvane::jet
