// The run's view of the database engine: the operations the configuration run needs, in
// the shape of the object model it was written against. Every engine failure becomes a
// Failure with the engine's number, so the run's traps report it like any other.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "jet/database.h"
#include "jet/value.h"

namespace tolvane::dao {

using Value = jet::Value;
using DataType = jet::DataType;

struct FieldInfo {
  std::string name;
  DataType type = DataType::kText;
  int size = 0;
};

class Recordset {
 public:
  explicit Recordset(std::unique_ptr<jet::Recordset> rs);
  ~Recordset();

  bool IsEOF() const;
  void MoveFirst();
  void MoveNext();
  long RecordCount() const;
  int FieldCount() const;
  std::string FieldName(int i) const;
  // During AddNew or Edit: the value as set in the row being built.
  Value Get(int i) const;
  Value Get(const std::string& name) const;
  void AddNew();
  void Edit();
  void Set(int i, const Value& v);
  void Set(const std::string& name, const Value& v);
  void Update();  // a regular update, not forced

 private:
  int IndexOf(const std::string& name) const;  // 3265 when missing
  std::unique_ptr<jet::Recordset> rs_;
  enum class Mode { kNone, kAddNew, kEdit } mode_ = Mode::kNone;
  std::map<int, Value> pending_;
};

class Database {
 public:
  // Shared and writable.
  static std::unique_ptr<Database> Open(const std::string& path);
  ~Database();

  // Names of every table definition, in the database's order.
  std::vector<std::string> TableDefNames() const;
  // The columns of a table in their order; 3265 for a missing table.
  std::vector<FieldInfo> TableDefFields(const std::string& table) const;
  void DeleteTable(const std::string& table);
  // An empty table with exactly these columns; 3264 when there are none.
  void CreateTable(const std::string& table, const std::vector<FieldInfo>& fields);
  void RenameColumn(const std::string& table, const std::string& old_name, const std::string& new_name);
  // A table name opens the table; a SELECT text opens an updatable result of the query.
  std::unique_ptr<Recordset> OpenRecordset(const std::string& name_or_sql);

 private:
  explicit Database(std::unique_ptr<jet::Database> db) : db_(std::move(db)) {}
  std::unique_ptr<jet::Database> db_;
};

[[noreturn]] void ThrowObjectNotSet();

// A "part" value as a whole number 1..50 (a pattern index): null, a text that is no number
// or a value out of range fails.
int PartNumber(const Value& v);

// The object behind a handle that a failed step may have left unset (failure 91).
template <class T>
T& Use(const std::unique_ptr<T>& p) {
  if (!p) ThrowObjectNotSet();
  return *p;
}

// Text for a value inside a query's double-quoted literal: a double quote is doubled, so
// the value matches itself and cannot change what the query selects.
std::string QuoteForQuery(const std::string& text);

}  // namespace tolvane::dao
