// The object model: a database file opened for reading, its tables, and recordsets on
// tables and queries. This is what the program's adapter calls; the layers below it
// (pages, definitions, rows) stay out of its sight.
#pragma once

#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "jet/catalog.h"
#include "jet/error.h"
#include "jet/header.h"
#include "jet/pager.h"
#include "jet/recordset.h"
#include "jet/tdef.h"
#include "jet/value.h"

namespace tolvane::jet {

class DatabaseWriter;

class Database {
 public:
  // 3024 missing file, 3343 not a Jet 3 / Jet 4 database, 3031 password-protected,
  // 3049 damaged beyond reading its catalog.
  static std::unique_ptr<Database> Open(const std::string& path);

  // In catalog order; system tables only when asked for.
  std::vector<std::string> TableNames(bool include_system = false) const;
  TableDef GetTableDef(std::string_view name) const;            // 3265 when missing
  std::unique_ptr<Recordset> OpenTable(std::string_view name);  // 3078 when missing
  std::unique_ptr<Recordset> OpenQuery(std::string_view sql);
  int JetVersion() const { return pager_->jet_version(); }

  // For the layers above and the writer.
  const Header& header() const { return header_; }
  const Pager& pager() const { return *pager_; }
  std::shared_ptr<const Pager> shared_pager() const { return pager_; }
  const std::vector<CatalogEntry>& catalog() const { return catalog_; }
  // The cached definition of a table; null when there is none of that name.
  std::shared_ptr<const TableDef> FindTable(std::string_view name) const;

  // Writing (defined in w_object_model.cc). The first call reopens the file for writing;
  // recordsets opened after that can be edited. Each change is in the file on return.
  static std::unique_ptr<Database> Create(const std::string& path);  // a new empty Jet 4 file
  void EnableWriting();
  void CreateTable(const std::string& name, std::vector<Field> fields);
  void DeleteTable(std::string_view name);  // 3265 when missing
  void RenameColumn(std::string_view table, std::string_view old_name,
                    std::string_view new_name);  // 3265 missing, 3191 name taken
  // After a change: the catalog and table definitions are read again.
  void AfterWrite();

 private:
  Database() = default;
  const CatalogEntry* FindEntry(std::string_view name) const;
  std::vector<PropertyBlock> PropertiesOf(const CatalogEntry& entry) const;

  std::shared_ptr<Pager> pager_;
  Header header_;
  std::vector<CatalogEntry> catalog_;
  mutable std::unordered_map<uint32_t, std::shared_ptr<const TableDef>> tables_;
  mutable std::shared_ptr<const TableDef> catalog_def_;
  std::shared_ptr<DatabaseWriter> writer_;  // once writing is enabled
};

}  // namespace tolvane::jet
