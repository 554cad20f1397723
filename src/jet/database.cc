#include "jet/database.h"

#include "jet/query.h"
#include "jet/row.h"
#include "jet/table_scan.h"
#include "jet/text.h"

namespace tolvane::jet {

std::unique_ptr<Database> Database::Open(const std::string& path) {
  std::unique_ptr<Database> db(new Database());
  db->pager_ = std::make_shared<Pager>(File::Open(path));
  db->header_ = Header::Read(*db->pager_);
  db->catalog_ = ReadCatalog(*db->pager_, db->header_.code_page);
  return db;
}

std::vector<std::string> Database::TableNames(bool include_system) const {
  std::vector<std::string> names;
  for (const auto& e : catalog_) {
    if (e.is_table() && (include_system || !e.is_system())) names.push_back(e.name);
  }
  return names;
}

const CatalogEntry* Database::FindEntry(std::string_view name) const {
  for (const auto& e : catalog_) {
    if (e.is_table() && EqualsNoCase(e.name, name)) return &e;
  }
  return nullptr;
}

std::shared_ptr<const TableDef> Database::FindTable(std::string_view name) const {
  const CatalogEntry* e = FindEntry(name);
  if (!e) return nullptr;
  auto& slot = tables_[e->tdef_page()];
  if (!slot) {
    auto t = std::make_shared<TableDef>(
        TableDef::Read(*pager_, e->tdef_page(), e->name, e->is_system()));
    t->ApplyProperties(PropertiesOf(*e));
    slot = std::move(t);
  }
  return slot;
}

std::vector<PropertyBlock> Database::PropertiesOf(const CatalogEntry& e) const {
  // The catalog's own definition is needed to read its row; it has no properties of its own
  // worth the recursion.
  if (!catalog_def_) {
    catalog_def_ = std::make_shared<TableDef>(
        TableDef::Read(*pager_, kCatalogTdefPage, "MSysObjects", true));
  }
  const int lv_prop = catalog_def_->FindField("LvProp");
  if (lv_prop < 0 || catalog_def_->fields()[lv_prop].type != DataType::kLongBinary) return {};
  RowLocation at;
  if (!TableScan::Resolve(*pager_, e.page, e.row, at)) return {};
  RowDecoder decoder(*pager_, *catalog_def_, header_.code_page);
  decoder.Load(pager_->page(at.data_page), at.slot);
  Value blob;
  decoder.Decode(lv_prop, blob);
  if (blob.is_null()) return {};
  return ParseProperties(blob.bytes(), pager_->jet_version());
}

TableDef Database::GetTableDef(std::string_view name) const {
  auto t = FindTable(name);
  if (!t) ThrowItemNotFound(name);
  return *t;
}

std::unique_ptr<Recordset> Database::OpenTable(std::string_view name) {
  auto t = FindTable(name);
  if (!t) ThrowInputTableNotFound(name);
  return std::make_unique<TableRecordset>(pager_, t, header_.code_page);
}

std::unique_ptr<Recordset> Database::OpenQuery(std::string_view sql) {
  return RunQuery(*this, sql);
}

}  // namespace tolvane::jet
