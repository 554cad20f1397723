// Changes to a database's set of tables, on top of the row writer: creating a table (its
// definition, usage maps, catalog row and access-control rows, each through the ordinary
// insert path so MSysObjects' and MSysACEs' indexes and counts follow), deleting one
// (catalog and ACE rows with their index entries, every page it owned freed), and renaming
// a column (the definition rewritten; rows and indexes refer to column numbers and stay).
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "jet/catalog.h"
#include "jet/tdef.h"
#include "jet/write_session.h"
#include "jet/write_table.h"

namespace tolvane::jet {

class DatabaseWriter {
 public:
  // Opens an existing Jet 4 file for writing.
  explicit DatabaseWriter(const std::string& path);
  explicit DatabaseWriter(std::shared_ptr<Pager> writable_pager);

  // Fields: name, type (DAO codes), size (Text in characters, 1..255; Binary in bytes);
  // kColumnAutoNumber in flags makes a Long an autonumber. 3010 when the table exists.
  void CreateTable(const std::string& name, const std::vector<Field>& fields);
  // 3265 when missing. Refuses (3303) a table that relationships refer to.
  void DeleteTable(const std::string& name);
  // 3265 for a missing table or column; 3191 when the new name exists.
  void RenameColumn(const std::string& table, const std::string& old_name,
                    const std::string& new_name);

  // The writer of a table (kept, so consecutive inserts reuse its state).
  TableWriter& Table(const std::string& name);

  WriteSession& session() { return session_; }
  std::vector<CatalogEntry> Catalog() const;

 private:
  const CatalogEntry* FindTable(const std::vector<CatalogEntry>& catalog,
                                const std::string& name) const;
  void Forget(const std::string& name);
  uint32_t BuildDefinition(const std::vector<Field>& fields);

  WriteSession session_;
  std::map<std::string, std::unique_ptr<TableWriter>> writers_;  // by folded name
};

// Names as Access compares them.
std::string FoldName(std::string_view name);

}  // namespace tolvane::jet
