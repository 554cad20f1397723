#include "jet/recordset.h"

#include "jet/error.h"
#include "jet/text.h"

namespace tolvane::jet {

Recordset::Recordset(std::shared_ptr<const Pager> pager, std::shared_ptr<const TableDef> table,
                     uint16_t code_page, std::vector<int> columns)
    : pager_(std::move(pager)),
      table_(std::move(table)),
      columns_(std::move(columns)),
      decoder_(*pager_, *table_, code_page),
      values_(columns_.size()),
      decoded_in_(columns_.size(), 0) {}

const Field& Recordset::FieldAt(int i) const {
  if (i < 0 || i >= FieldCount()) ThrowItemNotFound(std::to_string(i));
  return table_->fields()[columns_[i]];
}

const Value& Recordset::ValueAt(int i) const {
  if (i < 0 || i >= FieldCount()) ThrowItemNotFound(std::to_string(i));
  if (eof_) ThrowNoCurrentRecord();
  if (decoded_in_[i] != generation_) {
    decoder_.Decode(columns_[i], values_[i]);
    decoded_in_[i] = generation_;
  }
  return values_[i];
}

const Value& Recordset::ValueByName(std::string_view name) const {
  for (int i = 0; i < FieldCount(); ++i) {
    if (EqualsNoCase(FieldAt(i).name, name)) return ValueAt(i);
  }
  ThrowItemNotFound(name);
}

const RowLocation& Recordset::location() const {
  if (eof_) ThrowNoCurrentRecord();
  return current_;
}

void Recordset::SetCurrent(const RowLocation& at) {
  current_ = at;
  eof_ = false;
  ++generation_;
  decoder_.Load(pager_->page(at.data_page), at.slot);
}

namespace {

std::vector<int> AllFields(const TableDef& t) {
  std::vector<int> v(t.fields().size());
  for (size_t i = 0; i < v.size(); ++i) v[i] = static_cast<int>(i);
  return v;
}

}  // namespace

TableRecordset::TableRecordset(std::shared_ptr<const Pager> pager,
                               std::shared_ptr<const TableDef> table, uint16_t code_page)
    : Recordset(pager, table, code_page, AllFields(*table)), scan_(*pager, *table) {
  MoveFirst();
}

void TableRecordset::MoveFirst() {
  scan_.Rewind();
  Advance();
}

void TableRecordset::MoveNext() {
  if (IsEOF()) ThrowNoCurrentRecord();
  Advance();
}

void TableRecordset::Advance() {
  RowLocation at;
  if (scan_.Next(at)) SetCurrent(at); else SetEOF();
}

QueryRecordset::QueryRecordset(std::shared_ptr<const Pager> pager,
                               std::shared_ptr<const TableDef> table, uint16_t code_page,
                               std::vector<int> columns, std::vector<RowLocation> rows)
    : Recordset(std::move(pager), std::move(table), code_page, std::move(columns)),
      rows_(std::move(rows)) {
  MoveFirst();
}

void QueryRecordset::MoveFirst() {
  position_ = 0;
  if (rows_.empty()) SetEOF(); else SetCurrent(rows_[0]);
}

void QueryRecordset::MoveNext() {
  if (IsEOF()) ThrowNoCurrentRecord();
  if (++position_ < rows_.size()) SetCurrent(rows_[position_]); else SetEOF();
}

}  // namespace tolvane::jet
