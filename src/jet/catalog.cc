#include "jet/catalog.h"

#include "jet/error.h"
#include "jet/row.h"
#include "jet/table_scan.h"
#include "jet/tdef.h"
#include "jet/text.h"

namespace tolvane::jet {

bool CatalogEntry::is_system() const {
  if (flags & 0x80000002u) return true;
  return name.size() >= 4 && EqualsNoCase(std::string_view(name).substr(0, 4), "MSys");
}

std::vector<CatalogEntry> ReadCatalog(const Pager& pager, uint16_t code_page) {
  const TableDef def = TableDef::Read(pager, kCatalogTdefPage, "MSysObjects", true);
  const int id = def.FindField("Id");
  const int parent = def.FindField("ParentId");
  const int name = def.FindField("Name");
  const int type = def.FindField("Type");
  const int flags = def.FindField("Flags");
  if (id < 0 || name < 0 || type < 0 || flags < 0 || parent < 0) {
    ThrowCorrupt(pager.path(), "the system catalog lacks its Id, ParentId, Name, Type or Flags column");
  }
  auto is = [&](int i, DataType t) { return def.fields()[i].type == t; };
  if (!is(id, DataType::kLong) || !is(parent, DataType::kLong) || !is(name, DataType::kText) ||
      !is(type, DataType::kInteger) || !is(flags, DataType::kLong)) {
    ThrowCorrupt(pager.path(), "the system catalog's columns have unexpected types");
  }
  std::vector<CatalogEntry> out;
  TableScan scan(pager, def);
  RowDecoder decoder(pager, def, code_page);
  RowLocation at;
  Value v;
  while (scan.Next(at)) {
    decoder.Load(pager.page(at.data_page), at.slot);
    CatalogEntry e;
    e.page = at.page;
    e.row = at.row;
    decoder.Decode(id, v);
    if (!v.is_null()) e.id = v.long_value();
    decoder.Decode(parent, v);
    if (!v.is_null()) e.parent_id = v.long_value();
    decoder.Decode(name, v);
    if (!v.is_null()) e.name = v.text();
    decoder.Decode(type, v);
    if (!v.is_null()) e.type = v.integer();
    decoder.Decode(flags, v);
    if (!v.is_null()) e.flags = static_cast<uint32_t>(v.long_value());
    out.push_back(std::move(e));
  }
  return out;
}

}  // namespace tolvane::jet
