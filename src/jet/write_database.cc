#include "jet/write_database.h"

#include <algorithm>
#include <chrono>
#include <cstring>

#include "jet/error.h"
#include "jet/row.h"
#include "jet/table_scan.h"
#include "jet/usage_map.h"
#include "jet/w_lvprop.h"
#include "jet/create_table.h"
#include "jet/index_key.h"
#include "jet/w_tdef_layout.h"
#include "jet/write_row.h"

namespace tolvane::jet {
namespace {

constexpr int32_t kTablesParent = 0x0F000000;  // parent of the containers

void Put16(std::string& s, uint16_t v) { s.push_back(static_cast<char>(v)); s.push_back(static_cast<char>(v >> 8)); }

double OleNow() {
  using namespace std::chrono;
  double seconds = duration<double>(system_clock::now().time_since_epoch()).count();
  return seconds / 86400.0 + 25569.0;
}

size_t CharacterCount(std::string_view s) {
  size_t n = 0;
  for (unsigned char c : s) n += (c & 0xC0) != 0x80;
  return n;
}

// Access's rules for object names.
void CheckName(const std::string& name, const char* what) {
  bool ok = !name.empty() && CharacterCount(name) <= 64 && name[0] != ' ';
  for (unsigned char c : name) {
    if (c < 0x20 || c == '.' || c == '!' || c == '`' || c == '[' || c == ']') ok = false;
  }
  if (!ok) {
    throw Error(3125, "'" + name + "' is not a valid name.  Make sure that it does not include "
                "invalid characters or punctuation and that it is not too long.", "DAO.Database", what);
  }
}




int FieldIndex(const TableDef& t, const char* name) {
  int i = t.FindField(name);
  if (i < 0) ThrowCorrupt("", std::string("system table lacks column ") + name);
  return i;
}

}  // namespace

std::string FoldName(std::string_view name) {
  std::string s(name);
  for (char& c : s) if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return s;
}

DatabaseWriter::DatabaseWriter(const std::string& path) : session_(path) {}
DatabaseWriter::DatabaseWriter(std::shared_ptr<Pager> pager) : session_(std::move(pager)) {}

std::vector<CatalogEntry> DatabaseWriter::Catalog() const {
  return ReadCatalog(const_cast<WriteSession&>(session_).pager(), session_.header().code_page);
}

const CatalogEntry* DatabaseWriter::FindTable(const std::vector<CatalogEntry>& catalog,
                                              const std::string& name) const {
  const std::string folded = FoldName(name);
  for (const auto& e : catalog) {
    if (e.is_table() && e.type == kObjectTable && FoldName(e.name) == folded) return &e;
  }
  return nullptr;
}

void DatabaseWriter::Forget(const std::string& name) { writers_.erase(FoldName(name)); }

TableWriter& DatabaseWriter::Table(const std::string& name) {
  auto it = writers_.find(FoldName(name));
  if (it != writers_.end()) return *it->second;
  auto catalog = Catalog();
  const CatalogEntry* e = FindTable(catalog, name);
  if (!e) {
    throw Error(errc::kInputTableNotFound,
                "The Microsoft Jet database engine cannot find the input table or query '" + name +
                    "'.  Make sure it exists and that its name is spelled correctly.");
  }
  auto w = std::make_unique<TableWriter>(session_, e->tdef_page(), e->name, e->is_system());
  auto& ref = *w;
  writers_[FoldName(name)] = std::move(w);
  return ref;
}

void DatabaseWriter::CreateTable(const std::string& name, const std::vector<Field>& in_fields) {
  CheckName(name, "table name");
  auto catalog = Catalog();
  if (FindTable(catalog, name)) {
    throw Error(3010, "Table '" + name + "' already exists.", "DAO.Database");
  }
  {
    // The name must be keyable in the catalog's ParentIdName index: checked before any
    // page is written, so a refused name leaves the file as it was.
    IndexKeyBuilder probe(TextKeyOrder::kGeneralLegacy);
    probe.Add(DataType::kText, Value::Text(name), true);
  }
  ValidateFields(in_fields);
  TableSpec spec;
  spec.name = name;
  spec.fields = in_fields;
  const uint32_t tdef = WriteTableDefinition(session_, spec);

  // The catalog row, then one access-control row per user the Tables container has.
  const CatalogEntry* tables = nullptr;
  const CatalogEntry* msysdb = nullptr;
  for (const auto& e : catalog) {
    if (e.parent_id == kTablesParent && FoldName(e.name) == "TABLES") tables = &e;
    if (FoldName(e.name) == "MSYSDB") msysdb = &e;
  }
  if (!tables) ThrowCorrupt(session_.pager().path(), "the catalog has no Tables container");
  TableWriter& objects = Table("MSysObjects");
  const TableDef& ot = objects.table();
  std::vector<Value> row(ot.fields().size());
  row[FieldIndex(ot, "Id")].SetLong(static_cast<int32_t>(tdef));
  row[FieldIndex(ot, "ParentId")].SetLong(tables->id);
  row[FieldIndex(ot, "Name")].SetText(name);
  row[FieldIndex(ot, "Type")].SetInteger(kObjectTable);
  const double now = OleNow();
  row[FieldIndex(ot, "DateCreate")].SetDate(now);
  row[FieldIndex(ot, "DateUpdate")].SetDate(now);
  row[FieldIndex(ot, "Flags")].SetLong(0);
  if (msysdb) {
    std::vector<Value> db = objects.Read({msysdb->page, msysdb->row});
    row[FieldIndex(ot, "Owner")] = db[FieldIndex(ot, "Owner")];
  }
  objects.Insert(row);

  const CatalogEntry* aces = FindTable(catalog, "MSysACEs");
  if (aces) {
    TableWriter& acl = Table("MSysACEs");
    const TableDef& at = acl.table();
    const int object_id = FieldIndex(at, "ObjectId");
    std::vector<std::vector<Value>> inherited;
    RowDecoder decoder(session_.pager(), at, session_.header().code_page);
    TableScan scan(session_.pager(), at);
    RowLocation loc;
    while (scan.Next(loc)) {
      decoder.Load(session_.pager().page(loc.data_page), loc.slot);
      Value v;
      decoder.Decode(object_id, v);
      if (v.is_null() || v.long_value() != tables->id) continue;
      std::vector<Value> ace(at.fields().size());
      for (size_t i = 0; i < ace.size(); ++i) decoder.Decode(i, ace[i]);
      ace[object_id].SetLong(static_cast<int32_t>(tdef));
      ace[FieldIndex(at, "ACM")].SetLong(1048575);
      ace[FieldIndex(at, "FInheritable")].SetBoolean(false);
      inherited.push_back(std::move(ace));
    }
    for (const auto& ace : inherited) acl.Insert(ace);
  }
  session_.Flush();
}

void DatabaseWriter::DeleteTable(const std::string& name) {
  auto catalog = Catalog();
  const CatalogEntry* e = FindTable(catalog, name);
  // As DAO's TableDefs.Delete: a name not in the collection.
  if (!e || e->is_system()) throw Error(errc::kItemNotFound, "Item not found in this collection.", "DAO.TableDefs", name);
  const CatalogEntry entry = *e;
  const std::string folded = FoldName(entry.name);
  if (FindTable(catalog, "MSysRelationships")) {
    TableWriter& rel = Table("MSysRelationships");
    const TableDef& rt = rel.table();
    int a = rt.FindField("szObject"), b = rt.FindField("szReferencedObject");
    RowDecoder decoder(session_.pager(), rt, session_.header().code_page);
    TableScan scan(session_.pager(), rt);
    RowLocation loc;
    Value v;
    while (a >= 0 && b >= 0 && scan.Next(loc)) {
      decoder.Load(session_.pager().page(loc.data_page), loc.slot);
      for (int col : {a, b}) {
        decoder.Decode(col, v);
        if (!v.is_null() && FoldName(v.text()) == folded) {
          throw Error(3303, "Cannot delete this field.  It's part of one or more relationships.",
                      "DAO.Database", "table " + entry.name + " is part of a relationship");
        }
      }
    }
  }

  // What the table owns, gathered before its definition goes.
  const uint32_t tdef = entry.tdef_page();
  TableWriter& victim = Table(entry.name);
  const TableDef def = victim.table();
  TdefLayout layout = TdefLayout::Read(session_, tdef);
  std::vector<uint32_t> pages = layout.pages;
  std::vector<RowPointer> maps = {def.owned_pages(), def.free_space_pages()};
  for (uint32_t p : ReadUsageMap(session_.pager(), def.owned_pages())) {
    Page page = session_.pager().page(p);
    if (page.type() == 0x01 && page.U32(4) == tdef) pages.push_back(p);
  }
  for (const auto& ix : def.physical_indexes()) {
    maps.push_back(ix.usage_map);
    for (uint32_t p : ReadUsageMap(session_.pager(), ix.usage_map)) pages.push_back(p);
  }
  for (const auto& lv : layout.long_value_maps) {
    maps.push_back(lv.owned);
    maps.push_back(lv.free);
    for (uint32_t p : ReadUsageMap(session_.pager(), lv.owned)) pages.push_back(p);
  }
  for (const RowPointer& m : maps) {  // bitmap pages of reference maps
    Page page = session_.pager().page(m.page);
    RowSlot slot = FindRow(page, 4, m.row);
    if (slot.size() >= 5 && page.U8(slot.start) == 1) {
      for (size_t k = 1; k + 4 <= slot.size(); k += 4) {
        uint32_t ref = page.U32(slot.start + k);
        if (ref) pages.push_back(ref);
      }
    }
  }
  Forget(entry.name);

  // Access-control rows, then the catalog row, through the indexed delete path.
  if (FindTable(catalog, "MSysACEs")) {
    TableWriter& acl = Table("MSysACEs");
    const TableDef& at = acl.table();
    const int object_id = FieldIndex(at, "ObjectId");
    std::vector<RowHome> doomed;
    RowDecoder decoder(session_.pager(), at, session_.header().code_page);
    TableScan scan(session_.pager(), at);
    RowLocation loc;
    Value v;
    while (scan.Next(loc)) {
      decoder.Load(session_.pager().page(loc.data_page), loc.slot);
      decoder.Decode(object_id, v);
      if (!v.is_null() && v.long_value() == entry.id) doomed.push_back({loc.page, loc.row});
    }
    for (RowHome h : doomed) acl.Delete(h);
  }
  Table("MSysObjects").Delete({entry.page, entry.row});

  // Map rows are marked deleted (their page may hold other tables' maps); a map page left
  // with no live rows is freed with the rest.
  std::map<uint32_t, std::vector<uint8_t>> map_pages;
  for (const RowPointer& m : maps) {
    auto [it, fresh] = map_pages.try_emplace(m.page);
    if (fresh) it->second = session_.CopyPage(m.page);
    data_page::SetRowFlags(it->second.data(), m.row, kRowDeleted | kRowOverflow);
  }
  for (auto& [number, page] : map_pages) {
    bool live = false;
    const int rows = data_page::RowCount(page.data());
    for (int r = 0; r < rows; ++r) {
      size_t s, e2;
      uint16_t f;
      data_page::RowBounds(page.data(), session_.page_size(), r, s, e2, f);
      live = live || !(f & kRowDeleted);
    }
    if (live || number < 3 || page[0] != 0x01 || page[4] | page[5] | page[6] | page[7]) {
      session_.WritePage(number, page.data());
    } else {
      pages.push_back(number);
    }
  }
  std::sort(pages.begin(), pages.end());
  pages.erase(std::unique(pages.begin(), pages.end()), pages.end());
  for (uint32_t p : pages) {
    if (p >= 3) session_.FreePage(p);
  }
  session_.Flush();
}

void DatabaseWriter::RenameColumn(const std::string& table, const std::string& old_name,
                                  const std::string& new_name) {
  auto catalog = Catalog();
  const CatalogEntry* e = FindTable(catalog, table);
  if (!e) throw Error(errc::kItemNotFound, "Item not found in this collection.", "DAO.TableDefs", table);
  const CatalogEntry entry = *e;
  CheckName(new_name, "field name");
  TdefLayout layout = TdefLayout::Read(session_, entry.tdef_page());
  int target = -1;
  std::string stored_old;
  for (size_t k = 0; k < layout.name_offsets.size(); ++k) {
    size_t at = layout.name_offsets[k];
    uint16_t n = static_cast<uint16_t>(layout.bytes[at] | (layout.bytes[at + 1] << 8));
    std::string name;
    for (size_t i = 0; i + 1 < n; i += 2) {
      uint32_t u = layout.bytes[at + 2 + i] | (layout.bytes[at + 3 + i] << 8);
      if (u < 0x80) name.push_back(static_cast<char>(u));
      else if (u < 0x800) { name.push_back(static_cast<char>(0xC0 | (u >> 6))); name.push_back(static_cast<char>(0x80 | (u & 0x3F))); }
      else { name.push_back(static_cast<char>(0xE0 | (u >> 12))); name.push_back(static_cast<char>(0x80 | ((u >> 6) & 0x3F))); name.push_back(static_cast<char>(0x80 | (u & 0x3F))); }
    }
    if (FoldName(name) == FoldName(new_name) && FoldName(name) != FoldName(old_name)) {
      throw Error(3191, "Cannot define field more than once.", "DAO.Field", new_name);
    }
    if (FoldName(name) == FoldName(old_name)) {
      target = static_cast<int>(k);
      stored_old = name;
    }
  }
  if (target < 0) throw Error(errc::kItemNotFound, "Item not found in this collection.", "DAO.Fields", old_name);
  std::string encoded = ToUcs2(new_name);
  std::string entry_bytes;
  Put16(entry_bytes, static_cast<uint16_t>(encoded.size()));
  entry_bytes += encoded;
  size_t at = layout.name_offsets[target];
  size_t old_len = 2 + (layout.bytes[at] | (layout.bytes[at + 1] << 8));
  layout.bytes.erase(layout.bytes.begin() + at, layout.bytes.begin() + at + old_len);
  layout.bytes.insert(layout.bytes.begin() + at, entry_bytes.begin(), entry_bytes.end());
  layout.Write(session_);
  Forget(entry.name);

  // Column properties (captions, formats) are filed under the column's name.
  TableWriter& objects = Table("MSysObjects");
  const TableDef& ot = objects.table();
  std::vector<Value> row = objects.Read({entry.page, entry.row});
  const int lvprop = ot.FindField("LvProp");
  if (lvprop >= 0 && !row[lvprop].is_null()) {
    std::string props(row[lvprop].bytes());
    if (RenameInPropertyBlob(props, stored_old, new_name)) {
      row[lvprop].SetBinary(reinterpret_cast<const uint8_t*>(props.data()), props.size(), DataType::kLongBinary);
      row[FieldIndex(ot, "DateUpdate")].SetDate(OleNow());
      objects.Update({entry.page, entry.row}, row);
    }
  }
  session_.Flush();
}

}  // namespace tolvane::jet
