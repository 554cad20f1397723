#include "jet/tdef.h"

#include <algorithm>
#include <cstring>
#include <unordered_set>

#include "jet/error.h"
#include "jet/text.h"

namespace tolvane::jet {

bool DataTypeFromStored(uint8_t stored, DataType& out) {
  switch (stored) {
    case 0x01: out = DataType::kBoolean; return true;
    case 0x02: out = DataType::kByte; return true;
    case 0x03: out = DataType::kInteger; return true;
    case 0x04: out = DataType::kLong; return true;
    case 0x05: out = DataType::kCurrency; return true;
    case 0x06: out = DataType::kSingle; return true;
    case 0x07: out = DataType::kDouble; return true;
    case 0x08: out = DataType::kDate; return true;
    case 0x09: out = DataType::kBinary; return true;
    case 0x0A: out = DataType::kText; return true;
    case 0x0B: out = DataType::kLongBinary; return true;
    case 0x0C: out = DataType::kMemo; return true;
    case 0x0F: out = DataType::kGuid; return true;
    case 0x10: out = DataType::kDecimal; return true;
    // Found only in MSysAccessObjects (Access's own data); read as its raw bytes.
    case 0x11: out = DataType::kBinary; return true;
    default: return false;
  }
}

namespace {

// The concatenated definition, read with checks against its real length.
class Block {
 public:
  Block(const Pager& pager, std::vector<uint8_t> bytes) : pager_(pager), b_(std::move(bytes)) {}
  size_t size() const { return b_.size(); }
  void Need(size_t offset, size_t count) const {
    if (offset > b_.size() || count > b_.size() - offset) {
      ThrowCorrupt(pager_.path(), "table definition is shorter than its contents (needs " +
                                      std::to_string(offset + count) + " of " +
                                      std::to_string(b_.size()) + " bytes)");
    }
  }
  uint8_t U8(size_t o) const { Need(o, 1); return b_[o]; }
  uint16_t U16(size_t o) const { Need(o, 2); return static_cast<uint16_t>(b_[o] | (b_[o + 1] << 8)); }
  uint32_t U32(size_t o) const { Need(o, 4); uint32_t v; std::memcpy(&v, &b_[o], 4); return v; }
  const uint8_t* At(size_t o, size_t n) const { Need(o, n); return b_.data() + o; }

 private:
  const Pager& pager_;
  std::vector<uint8_t> b_;
};

struct Layout {
  size_t row_count, autonumber, table_type, max_cols, var_cols, num_cols, num_idx, num_real_idx,
      owned_map, free_map, sections;
  size_t real_idx_size, column_size, physical_size, logical_size;
};
constexpr Layout kJet4 = {16, 20, 40, 41, 43, 45, 47, 51, 55, 59, 63, 12, 25, 52, 28};
constexpr Layout kJet3 = {12, 16, 20, 21, 23, 25, 27, 31, 35, 39, 43, 8, 18, 39, 20};

// A column or index name at `at`: a length and the text (Jet 3: one byte, code page;
// Jet 4: two bytes, UCS-2). Returns the bytes it took.
size_t ReadName(const Block& d, size_t at, bool jet3, std::string& out) {
  if (jet3) {
    const uint8_t n = d.U8(at);
    AppendCodePageText(d.At(at + 1, n), n, 1252, out);
    return 1u + n;
  }
  const uint16_t n = d.U16(at);
  AppendJet4Text(d.At(at + 2, n), n, out);
  return 2u + n;
}

}  // namespace

TableDef TableDef::Read(const Pager& pager, uint32_t first, std::string name, bool is_system) {
  const bool jet3 = pager.jet_version() == 3;
  const Layout& L = jet3 ? kJet3 : kJet4;
  TableDef t;
  t.name_ = std::move(name);
  t.is_system_ = is_system;
  t.tdef_page_ = first;

  std::vector<uint8_t> bytes;
  std::unordered_set<uint32_t> seen;
  for (uint32_t p = first; p != 0;) {
    if (!seen.insert(p).second) {
      ThrowCorrupt(pager.path(), "the definition of table '" + t.name_ +
                                     "' loops back to page " + std::to_string(p));
    }
    const Page page = pager.page(p);
    page.ExpectType(PageType::kTableDef, "a table definition");
    t.tdef_pages_.push_back(p);
    if (bytes.empty()) {
      bytes.assign(page.data(), page.data() + page.size());
    } else {
      bytes.insert(bytes.end(), page.data() + 8, page.data() + page.size());
    }
    p = page.U32(4);
  }
  // Read within the definition's stated length when it is sane; a length past the pages
  // read is itself a sign of damage.
  Block b(pager, bytes);
  const uint32_t tdef_len = b.U32(8);
  if (tdef_len > b.size()) {
    ThrowCorrupt(pager.path(), "the definition of table '" + t.name_ + "' claims " +
                                   std::to_string(tdef_len) + " bytes but its pages hold " +
                                   std::to_string(b.size()));
  }
  bytes.resize(std::max<size_t>(tdef_len, L.sections));
  Block d(pager, std::move(bytes));

  t.row_count_ = d.U32(L.row_count);
  t.next_autonumber_ = d.U32(L.autonumber);
  t.table_type_ = d.U8(L.table_type);
  t.max_cols_ = d.U16(L.max_cols);
  t.var_cols_ = d.U16(L.var_cols);
  const uint16_t num_cols = d.U16(L.num_cols);
  const uint32_t num_idx = d.U32(L.num_idx);
  const uint32_t num_real_idx = d.U32(L.num_real_idx);
  t.owned_pages_ = RowPointer::FromU32(d.U32(L.owned_map));
  t.free_space_pages_ = RowPointer::FromU32(d.U32(L.free_map));
  if (num_idx > 1000 || num_real_idx > 1000) {
    ThrowCorrupt(pager.path(), "table '" + t.name_ + "' lists an impossible number of indexes");
  }

  size_t at = L.sections;
  std::vector<uint32_t> unique_counts;
  for (uint32_t i = 0; i < num_real_idx; ++i) {
    unique_counts.push_back(d.U32(at + 4));
    at += L.real_idx_size;
  }

  std::vector<Field> columns(num_cols);
  for (auto& c : columns) {
    d.Need(at, L.column_size);
    c.stored_type = d.U8(at);
    if (jet3) {
      c.col_num = d.U16(at + 1);
      c.var_index = d.U16(at + 3);
      c.sort_order = d.U16(at + 9);
      c.code_page = d.U16(at + 11);
      c.precision = d.U8(at + 11);
      c.scale = d.U8(at + 12);
      c.flags = d.U8(at + 13);
      c.fixed_offset = d.U16(at + 14);
      c.length = d.U16(at + 16);
    } else {
      c.col_num = d.U16(at + 5);
      c.var_index = d.U16(at + 7);
      c.sort_order = d.U16(at + 11);
      c.precision = d.U8(at + 11);
      c.scale = d.U8(at + 12);
      c.flags = d.U8(at + 15);
      c.ext_flags = d.U8(at + 16);
      c.fixed_offset = d.U16(at + 21);
      c.length = d.U16(at + 23);
    }
    if (!DataTypeFromStored(c.stored_type, c.type)) {
      ThrowCorrupt(pager.path(), "column of unknown type " + std::to_string(c.stored_type) +
                                     " in table '" + t.name_ + "'");
    }
    at += L.column_size;
  }
  for (auto& c : columns) {
    at += ReadName(d, at, jet3, c.name);
    switch (c.type) {
      case DataType::kText: c.size = jet3 ? c.length : c.length / 2; break;
      case DataType::kMemo: case DataType::kLongBinary: c.size = 0; break;
      case DataType::kBoolean: c.size = 1; break;
      case DataType::kDecimal: c.size = 16; break;
      default: c.size = c.length; break;
    }
  }
  std::stable_sort(columns.begin(), columns.end(),
                   [](const Field& a, const Field& b) { return a.col_num < b.col_num; });
  t.fields_ = std::move(columns);

  for (uint32_t i = 0; i < num_real_idx; ++i) {
    PhysicalIndex x;
    x.number = static_cast<int>(i);
    x.block_offset = at;
    const size_t cols_at = jet3 ? at : at + 4;
    for (int k = 0; k < 10; ++k) {
      const uint16_t col = d.U16(cols_at + 3 * k);
      const uint8_t order = d.U8(cols_at + 3 * k + 2);
      if (col != 0xFFFF) x.columns.push_back({col, (order & 0x01) != 0});
    }
    x.usage_map = RowPointer::FromU32(d.U32(cols_at + 30));
    x.root_page = d.U32(cols_at + 34);
    x.flags = d.U8(jet3 ? at + 38 : at + 46);
    x.unique_entry_count = i < unique_counts.size() ? unique_counts[i] : 0;
    t.physical_.push_back(std::move(x));
    at += L.physical_size;
  }
  for (uint32_t i = 0; i < num_idx; ++i) {
    Index x;
    const size_t base = jet3 ? at : at + 4;
    x.number = static_cast<int>(d.U32(base));
    x.physical = static_cast<int>(d.U32(base + 4));
    x.kind = d.U8(base + 19);
    if (x.physical < 0 || static_cast<uint32_t>(x.physical) >= num_real_idx) {
      ThrowCorrupt(pager.path(), "index of table '" + t.name_ + "' refers to a missing B-tree");
    }
    x.columns = t.physical_[x.physical].columns;
    x.unique = (t.physical_[x.physical].flags & 0x01) || x.kind == 1;
    t.indexes_.push_back(std::move(x));
    at += L.logical_size;
  }
  for (auto& x : t.indexes_) at += ReadName(d, at, jet3, x.name);
  return t;
}

void TableDef::ApplyProperties(const std::vector<PropertyBlock>& blocks) {
  for (const auto& block : blocks) {
    const int i = FindField(block.name);
    if (i < 0) continue;
    const Property* required = block.Find("Required");
    if (required && required->type == 0x01 && !required->value.empty()) {
      fields_[i].required = required->value[0] != 0;
    }
  }
}

int TableDef::FindField(std::string_view name) const {
  for (size_t i = 0; i < fields_.size(); ++i) {
    if (EqualsNoCase(fields_[i].name, name)) return static_cast<int>(i);
  }
  return -1;
}

}  // namespace tolvane::jet
