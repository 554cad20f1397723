// The object model's writing half: Database::CreateTable and friends, and editing through
// recordsets. A Database that writes reopens its file for writing once and shares that
// pager with every recordset opened afterwards, so what one writes the others read.
#include <map>

#include "jet/create_database.h"
#include "jet/database.h"
#include "jet/error.h"
#include "jet/recordset.h"
#include "jet/table_scan.h"
#include "jet/text.h"
#include "jet/write_database.h"
#include "jet/write_row.h"

namespace tolvane::jet {
namespace {

// Which writer (and Database) a pager belongs to; recordsets find theirs through it.
struct Owner {
  std::weak_ptr<DatabaseWriter> writer;
  Database* database = nullptr;
};
std::map<const Pager*, Owner>& Owners() {
  static std::map<const Pager*, Owner> owners;
  return owners;
}

std::shared_ptr<DatabaseWriter> WriterOf(const Pager& pager, Database** database) {
  auto it = Owners().find(&pager);
  std::shared_ptr<DatabaseWriter> w = it == Owners().end() ? nullptr : it->second.writer.lock();
  if (!w) {
    throw Error(3027, "Cannot update.  Database or object is read-only.", "DAO.Recordset",
                "the recordset's database has not enabled writing");
  }
  *database = it->second.database;
  return w;
}

[[noreturn]] void NotEditing() {
  throw Error(3020, "Update or CancelUpdate without AddNew or Edit.", "DAO.Recordset");
}

}  // namespace

std::unique_ptr<Database> Database::Create(const std::string& path) {
  CreateDatabase(path);
  return Open(path);
}

void Database::EnableWriting() {
  if (writer_) return;
  auto pager = std::make_shared<Pager>(File::Open(pager_->path(), true));
  writer_ = std::make_shared<DatabaseWriter>(pager);
  pager_ = std::move(pager);
  header_ = Header::Read(*pager_);
  Owners()[pager_.get()] = {writer_, this};
  AfterWrite();
}

void Database::AfterWrite() {
  catalog_ = ReadCatalog(*pager_, header_.code_page);
  tables_.clear();
  catalog_def_.reset();
}

void Database::CreateTable(const std::string& name, std::vector<Field> fields) {
  EnableWriting();
  writer_->CreateTable(name, fields);
  AfterWrite();
}

void Database::DeleteTable(std::string_view name) {
  EnableWriting();
  writer_->DeleteTable(std::string(name));
  AfterWrite();
}

void Database::RenameColumn(std::string_view table, std::string_view old_name,
                            std::string_view new_name) {
  EnableWriting();
  writer_->RenameColumn(std::string(table), std::string(old_name), std::string(new_name));
  AfterWrite();
}

void Recordset::AddNew() {
  Database* db;
  WriterOf(*pager_, &db);
  edit_values_.assign(table_->fields().size(), Value());
  for (size_t i = 0; i < edit_values_.size(); ++i) edit_values_[i].SetNull(table_->fields()[i].type);
  edit_mode_ = 1;
}

void Recordset::Edit() {
  if (eof_) ThrowNoCurrentRecord();
  Database* db;
  auto writer = WriterOf(*pager_, &db);
  edit_values_ = writer->Table(table_->name()).Read({current_.page, current_.row});
  edit_mode_ = 2;
}

void Recordset::SetValue(int i, const Value& value) {
  if (edit_mode_ == 0) NotEditing();
  if (i < 0 || i >= FieldCount()) ThrowItemNotFound(std::to_string(i));
  edit_values_[columns_[i]] = CoerceToField(FieldAt(i), value);
}

void Recordset::SetValue(std::string_view name, const Value& value) {
  for (int i = 0; i < FieldCount(); ++i) {
    if (EqualsNoCase(FieldAt(i).name, name)) return SetValue(i, value);
  }
  ThrowItemNotFound(name);
}

void Recordset::CancelUpdate() {
  if (edit_mode_ == 0) NotEditing();
  edit_mode_ = 0;
  edit_values_.clear();
}

void Recordset::Update() {
  if (edit_mode_ == 0) NotEditing();
  Database* db;
  auto writer = WriterOf(*pager_, &db);
  TableWriter& table = writer->Table(table_->name());
  const int mode = edit_mode_;
  if (mode == 1) {
    table.Insert(edit_values_);
  } else {
    table.Update({current_.page, current_.row}, edit_values_);
  }
  edit_mode_ = 0;
  edit_values_.clear();
  if (mode == 2) {
    // The row may have moved; read it again from where it now lives.
    RowLocation at;
    if (TableScan::Resolve(*pager_, current_.page, current_.row, at)) SetCurrent(at);
  }
  db->AfterWrite();
}

}  // namespace tolvane::jet
