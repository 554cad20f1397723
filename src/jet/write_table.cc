#include "jet/write_table.h"

#include <cstring>

#include "jet/error.h"
#include "jet/index_key.h"
#include "jet/row.h"
#include "jet/table_scan.h"
#include "jet/usage_map.h"
#include "jet/w_tdef_layout.h"

namespace tolvane::jet {
namespace {

constexpr uint32_t kLvalOwner = 0x4C41564C;  // "LVAL"
constexpr size_t kJet4IndexCounts = 63;      // per physical index: 12 bytes, count at +4

void Put32(uint8_t* p, uint32_t v) { std::memcpy(p, &v, 4); }

}  // namespace

// Index pages come from the end of the file and are recorded in the index's own map.
class TableWriter::IndexStore : public IndexPageStore {
 public:
  IndexStore(WriteSession& s, RowPointer map) : s_(s), map_(map) {}
  const uint8_t* ReadPage(uint32_t n) override { return s_.pager().page(n).data(); }
  void WritePage(uint32_t n, const uint8_t* data) override { s_.WritePage(n, data); }
  uint32_t AllocatePage() override {
    std::vector<uint8_t> blank(s_.page_size(), 0);
    blank[0] = 0x04;
    blank[1] = 0x01;
    uint32_t n = s_.AppendPage(blank.data());
    s_.SetMapBit(map_, n, true);
    return n;
  }
  void FreePage(uint32_t n) override {
    s_.SetMapBit(map_, n, false);
    s_.FreePage(n);
  }

 private:
  WriteSession& s_;
  RowPointer map_;
};

std::string IndexKeyOfValues(const TableDef& table, const PhysicalIndex& index,
                             const std::vector<Value>& values) {
  IndexKeyBuilder key(TextKeyOrder::kGeneralLegacy);
  for (const IndexColumn& c : index.columns) {
    const auto& fields = table.fields();
    size_t i = 0;
    while (i < fields.size() && fields[i].col_num != c.col_num) ++i;
    if (i == fields.size()) ThrowCorrupt("", "index names a missing column");
    key.Add(fields[i].type, values[i], c.ascending);
  }
  return key.Take();
}

TableWriter::TableWriter(WriteSession& session, uint32_t tdef_page, std::string name,
                         bool is_system)
    : session_(session),
      table_(TableDef::Read(session.pager(), tdef_page, std::move(name), is_system)) {
  row_count_ = table_.row_count();
  autonumber_ = table_.next_autonumber();
  for (const auto& ix : table_.physical_indexes()) {
    unique_counts_.push_back(ix.unique_entry_count);
    stores_.push_back(std::make_unique<IndexStore>(session_, ix.usage_map));
  }
  const size_t n = table_.fields().size();
  lval_pages_.assign(n, 0);
  lval_owned_.assign(n, RowPointer{});
  lval_free_.assign(n, RowPointer{});
  for (const auto& m : TdefLayout::Read(session_, tdef_page).long_value_maps) {
    for (size_t i = 0; i < n; ++i) {
      if (table_.fields()[i].col_num != m.col_num) continue;
      lval_owned_[i] = m.owned;
      lval_free_[i] = m.free;
    }
  }
  for (uint32_t p : ReadUsageMap(session_.pager(), table_.owned_pages())) {
    Page page = session_.pager().page(p);
    if (page.type() == 0x01 && page.U32(4) == tdef_page) last_page_ = p;
  }
}

TableWriter::~TableWriter() = default;

IndexTree TableWriter::Tree(size_t i) {
  return IndexTree(*stores_[i], IndexPageLayout::For(4), table_.physical_indexes()[i].root_page,
                   table_.tdef_page());
}

std::vector<Value> TableWriter::Coerce(const std::vector<Value>& values, bool assign_autonumbers) {
  const auto& fields = table_.fields();
  if (values.size() != fields.size()) {
    throw Error(3265, "Item not found in this collection.", "DAO.Fields",
                "expected " + std::to_string(fields.size()) + " values");
  }
  std::vector<Value> out;
  out.reserve(values.size());
  for (size_t i = 0; i < fields.size(); ++i) {
    const Field& f = fields[i];
    if (assign_autonumbers && (f.flags & kColumnAutoNumber) && values[i].is_null() &&
        f.type == DataType::kLong) {
      Value v;
      v.SetLong(static_cast<int32_t>(++autonumber_));
      out.push_back(v);
      continue;
    }
    out.push_back(CoerceToField(f, values[i]));
    // An explicit number above the counter moves it, as in Access.
    if (assign_autonumbers && (f.flags & kColumnAutoNumber) && f.type == DataType::kLong &&
        !out.back().is_null() && out.back().long_value() > static_cast<int32_t>(autonumber_)) {
      autonumber_ = static_cast<uint32_t>(out.back().long_value());
    }
  }
  return out;
}

bool TableWriter::KeyIndexed(size_t index, const std::vector<Value>& values) const {
  const PhysicalIndex& ix = table_.physical_indexes()[index];
  if (!(ix.flags & 0x02)) return true;  // only "ignore nulls" indexes leave rows out
  const auto& fields = table_.fields();
  for (const IndexColumn& c : ix.columns) {
    for (size_t i = 0; i < fields.size(); ++i) {
      if (fields[i].col_num == c.col_num && !values[i].is_null()) return true;
    }
  }
  return false;
}

std::vector<std::string> TableWriter::Keys(const std::vector<Value>& values) const {
  std::vector<std::string> keys;
  for (const auto& ix : table_.physical_indexes()) keys.push_back(IndexKeyOfValues(table_, ix, values));
  return keys;
}

void TableWriter::CheckUnique(const std::vector<std::string>& keys, const std::vector<Value>& values,
                              const std::vector<std::string>* old_keys) const {
  const auto& physical = table_.physical_indexes();
  for (size_t i = 0; i < physical.size(); ++i) {
    if (!(physical[i].flags & 0x01) || !KeyIndexed(i, values)) continue;
    if (old_keys && (*old_keys)[i] == keys[i]) continue;
    auto* self = const_cast<TableWriter*>(this);
    if (self->Tree(i).ContainsKey(keys[i])) {
      throw Error(3022,
                  "The changes you requested to the table were not successful because they "
                  "would create duplicate values in the index, primary key, or relationship.  "
                  "Change the data in the field or fields that contain duplicate data, remove "
                  "the index, or redefine the index to permit duplicate entries and try again.",
                  "DAO.Recordset", table_.name());
    }
  }
}

size_t TableWriter::MaxLongValueRow() const { return session_.page_size() - 14 - 2 - 16; }

RowPointer TableWriter::AddLongValueRow(size_t field, const std::string& bytes) {
  const uint32_t ps = session_.page_size();
  uint32_t& lval_page = lval_pages_[field];
  if (lval_page != 0) {
    std::vector<uint8_t> page = session_.CopyPage(lval_page);
    int r = data_page::AddRow(page.data(), ps, reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
    if (r >= 0) {
      session_.WritePage(lval_page, page.data());
      return {lval_page, static_cast<uint8_t>(r)};
    }
    if (lval_free_[field].page != 0) session_.SetMapBit(lval_free_[field], lval_page, false);
  }
  std::vector<uint8_t> page(ps);
  data_page::Init(page.data(), ps, kLvalOwner);
  int r = data_page::AddRow(page.data(), ps, reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
  if (r < 0) ThrowCorrupt(session_.pager().path(), "long value row larger than a page");
  lval_page = session_.AppendPage(page.data());
  if (lval_owned_[field].page != 0) session_.SetMapBit(lval_owned_[field], lval_page, true);
  if (lval_free_[field].page != 0) session_.SetMapBit(lval_free_[field], lval_page, true);
  return {lval_page, static_cast<uint8_t>(r)};
}

RowHome TableWriter::Place(const std::string& row, uint16_t flags) {
  const uint32_t ps = session_.page_size();
  const auto* bytes = reinterpret_cast<const uint8_t*>(row.data());
  if (last_page_ != 0) {
    std::vector<uint8_t> page = session_.CopyPage(last_page_);
    int r = data_page::AddRow(page.data(), ps, bytes, row.size());
    if (r >= 0) {
      if (flags) data_page::SetRowFlags(page.data(), r, flags);
      session_.WritePage(last_page_, page.data());
      return {last_page_, static_cast<uint8_t>(r)};
    }
    // Full for rows like this one: no longer offered as having free space.
    session_.SetMapBit(table_.free_space_pages(), last_page_, false);
  }
  std::vector<uint8_t> page(ps);
  data_page::Init(page.data(), ps, table_.tdef_page());
  int r = data_page::AddRow(page.data(), ps, bytes, row.size());
  if (r < 0) throw Error(3047, "Record is too large.", "DAO.Recordset");
  if (flags) data_page::SetRowFlags(page.data(), r, flags);
  last_page_ = session_.AppendPage(page.data());
  session_.SetMapBit(table_.owned_pages(), last_page_, true);
  session_.SetMapBit(table_.free_space_pages(), last_page_, true);
  return {last_page_, static_cast<uint8_t>(r)};
}

void TableWriter::WriteCounts() {
  std::vector<uint8_t> page = session_.CopyPage(table_.tdef_page());
  Put32(page.data() + 16, row_count_);
  Put32(page.data() + 20, autonumber_);
  for (size_t i = 0; i < unique_counts_.size(); ++i) {
    size_t at = kJet4IndexCounts + 12 * i + 4;
    if (at + 4 <= page.size()) Put32(page.data() + at, unique_counts_[i]);
  }
  session_.WritePage(table_.tdef_page(), page.data());
}

RowHome TableWriter::Insert(const std::vector<Value>& values) {
  const uint32_t saved_autonumber = autonumber_;
  std::vector<Value> row_values;
  std::vector<std::string> keys;
  try {
    row_values = Coerce(values, true);
    keys = Keys(row_values);
    CheckUnique(keys, row_values, nullptr);
  } catch (...) {
    autonumber_ = saved_autonumber;
    throw;
  }
  std::string row = EncodeRow(table_, row_values, *this);
  RowHome home = Place(row, 0);
  const auto& physical = table_.physical_indexes();
  for (size_t i = 0; i < physical.size(); ++i) {
    if (!KeyIndexed(i, row_values)) continue;
    IndexTree tree = Tree(i);
    if (!tree.ContainsKey(keys[i])) ++unique_counts_[i];
    tree.Insert({keys[i], home.page, home.row, 0});
  }
  ++row_count_;
  WriteCounts();
  session_.Flush();
  return home;
}

std::vector<Value> TableWriter::Read(RowHome home) const {
  RowLocation at;
  if (!TableScan::Resolve(session_.pager(), home.page, home.row, at)) {
    throw Error(errc::kNoCurrentRecord, "No current record.", "DAO.Recordset");
  }
  RowDecoder decoder(session_.pager(), table_, session_.header().code_page);
  decoder.Load(session_.pager().page(at.data_page), at.slot);
  std::vector<Value> out(table_.fields().size());
  for (size_t i = 0; i < out.size(); ++i) decoder.Decode(i, out[i]);
  return out;
}

void TableWriter::Update(RowHome home, const std::vector<Value>& values) {
  std::vector<Value> old_values = Read(home);
  std::vector<Value> row_values = Coerce(values, false);
  std::vector<std::string> old_keys = Keys(old_values);
  std::vector<std::string> keys = Keys(row_values);
  CheckUnique(keys, row_values, &old_keys);

  RowLocation at;
  TableScan::Resolve(session_.pager(), home.page, home.row, at);
  const uint32_t ps = session_.page_size();
  std::string row = EncodeRow(table_, row_values, *this);
  if (row.size() < at.slot.size()) row = PadRow(table_, row, at.slot.size());
  if (row.size() == at.slot.size()) {
    std::vector<uint8_t> page = session_.CopyPage(at.data_page);
    std::memcpy(page.data() + at.slot.start, row.data(), row.size());
    session_.WritePage(at.data_page, page.data());
  } else {
    RowHome moved = Place(row, kRowDeleted);
    std::vector<uint8_t> page = session_.CopyPage(home.page);
    size_t start, end;
    uint16_t flags;
    data_page::RowBounds(page.data(), ps, home.row, start, end, flags);
    if (end - start < 4) throw Error(3047, "Record is too large.", "DAO.Recordset");
    std::memset(page.data() + start, 0, end - start);
    page[start] = moved.row;
    page[start + 1] = static_cast<uint8_t>(moved.page);
    page[start + 2] = static_cast<uint8_t>(moved.page >> 8);
    page[start + 3] = static_cast<uint8_t>(moved.page >> 16);
    data_page::SetRowFlags(page.data(), home.row, kRowOverflow);
    session_.WritePage(home.page, page.data());
    if (at.data_page != home.page || at.slot.start != start) {
      // The row had moved before: its previous copy is no longer reached.
      std::vector<uint8_t> old = session_.CopyPage(at.data_page);
      for (int r = 0; r < data_page::RowCount(old.data()); ++r) {
        size_t s, e;
        uint16_t f;
        data_page::RowBounds(old.data(), ps, r, s, e, f);
        if (s == at.slot.start) data_page::SetRowFlags(old.data(), r, kRowDeleted | kRowOverflow);
      }
      session_.WritePage(at.data_page, old.data());
    }
  }
  const auto& physical = table_.physical_indexes();
  for (size_t i = 0; i < physical.size(); ++i) {
    bool was = KeyIndexed(i, old_values), is = KeyIndexed(i, row_values);
    if (was == is && old_keys[i] == keys[i]) continue;
    IndexTree tree = Tree(i);
    if (was) {
      tree.Remove({old_keys[i], home.page, home.row, 0});
      if (!tree.ContainsKey(old_keys[i]) && unique_counts_[i] > 0) --unique_counts_[i];
    }
    if (is) {
      if (!tree.ContainsKey(keys[i])) ++unique_counts_[i];
      tree.Insert({keys[i], home.page, home.row, 0});
    }
  }
  WriteCounts();
  session_.Flush();
}

void TableWriter::Delete(RowHome home) {
  std::vector<Value> old_values = Read(home);
  std::vector<std::string> old_keys = Keys(old_values);
  RowLocation at;
  TableScan::Resolve(session_.pager(), home.page, home.row, at);
  const uint32_t ps = session_.page_size();
  auto mark = [&](uint32_t page_number, uint32_t start) {
    std::vector<uint8_t> page = session_.CopyPage(page_number);
    for (int r = 0; r < data_page::RowCount(page.data()); ++r) {
      size_t s, e;
      uint16_t f;
      data_page::RowBounds(page.data(), ps, r, s, e, f);
      if (s == start) data_page::SetRowFlags(page.data(), r, kRowDeleted | kRowOverflow);
    }
    session_.WritePage(page_number, page.data());
  };
  if (at.data_page != home.page) mark(at.data_page, at.slot.start);
  {
    std::vector<uint8_t> page = session_.CopyPage(home.page);
    data_page::SetRowFlags(page.data(), home.row, kRowDeleted | kRowOverflow);
    session_.WritePage(home.page, page.data());
  }
  const auto& physical = table_.physical_indexes();
  for (size_t i = 0; i < physical.size(); ++i) {
    if (!KeyIndexed(i, old_values)) continue;
    IndexTree tree = Tree(i);
    tree.Remove({old_keys[i], home.page, home.row, 0});
    if (!tree.ContainsKey(old_keys[i]) && unique_counts_[i] > 0) --unique_counts_[i];
  }
  --row_count_;
  WriteCounts();
  session_.Flush();
}

}  // namespace tolvane::jet
