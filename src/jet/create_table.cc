#include "jet/create_table.h"

#include <cstring>

#include "jet/error.h"
#include "jet/index_key.h"
#include "jet/index_page.h"
#include "jet/w_tdef_layout.h"
#include "jet/write_database.h"
#include "jet/write_row.h"

namespace tolvane::jet {
namespace {

constexpr size_t kMapRowSize = 69;  // inline map: type, start page, 64 bytes of bitmap
constexpr uint8_t kFixedFlags = 0x13, kVariableFlags = 0x12;  // as Access 2000 writes them

void Put16(std::string& s, uint16_t v) { s.push_back(static_cast<char>(v)); s.push_back(static_cast<char>(v >> 8)); }
void Put32(std::string& s, uint32_t v) { for (int i = 0; i < 4; ++i) s.push_back(static_cast<char>(v >> (8 * i))); }
void PutPointer(std::string& s, RowPointer p) { Put32(s, (p.page << 8) | p.row); }

size_t CharacterCount(std::string_view s) {
  size_t n = 0;
  for (unsigned char c : s) n += (c & 0xC0) != 0x80;
  return n;
}

void CheckName(const std::string& name) {
  bool ok = !name.empty() && CharacterCount(name) <= 64 && name[0] != ' ';
  for (unsigned char c : name) {
    if (c < 0x20 || c == '.' || c == '!' || c == '`' || c == '[' || c == ']') ok = false;
  }
  if (!ok) {
    throw Error(3125, "'" + name + "' is not a valid name.  Make sure that it does not include "
                "invalid characters or punctuation and that it is not too long.", "DAO.Database");
  }
}

bool IsFixedType(DataType t) {
  return t != DataType::kText && t != DataType::kBinary && t != DataType::kMemo &&
         t != DataType::kLongBinary;
}

bool IsLongValue(DataType t) { return t == DataType::kMemo || t == DataType::kLongBinary; }


uint8_t StoredType(DataType t) {
  switch (t) {
    case DataType::kMemo: return 0x0C;
    case DataType::kLongBinary: return 0x0B;
    case DataType::kGuid: return 0x0F;
    case DataType::kDecimal: return 0x10;
    default: return static_cast<uint8_t>(t);  // 1..10 are the same as DAO's codes
  }
}

// Adds map rows to data pages of maps (owner 0) at the end of the file.
class MapRows {
 public:
  explicit MapRows(WriteSession& s) : s_(s), page_(s.page_size()) {}
  RowPointer Add() {
    std::string row(kMapRowSize, '\0');
    int r = number_ ? data_page::AddRow(page_.data(), s_.page_size(), reinterpret_cast<const uint8_t*>(row.data()), row.size()) : -1;
    if (r < 0) {
      data_page::Init(page_.data(), s_.page_size(), 0);
      r = data_page::AddRow(page_.data(), s_.page_size(), reinterpret_cast<const uint8_t*>(row.data()), row.size());
      number_ = s_.AppendPage(page_.data());
    }
    s_.WritePage(number_, page_.data());
    return {number_, static_cast<uint8_t>(r)};
  }

 private:
  WriteSession& s_;
  std::vector<uint8_t> page_;
  uint32_t number_ = 0;
};

}  // namespace

std::vector<Field> ValidateFields(const std::vector<Field>& in) {
  if (in.empty() || in.size() > 255) {
    throw Error(3190, "Too many fields defined.", "DAO.Database", "a table needs 1 to 255 fields");
  }
  std::vector<Field> fields = in;
  for (size_t i = 0; i < fields.size(); ++i) {
    Field& f = fields[i];
    CheckName(f.name);
    for (size_t k = 0; k < i; ++k) {
      if (FoldName(fields[k].name) == FoldName(f.name)) {
        throw Error(3191, "Cannot define field more than once.", "DAO.Database", f.name);
      }
    }
    switch (f.type) {
      case DataType::kText:
        if (f.size <= 0) f.size = 50;  // DAO's default
        if (f.size > 255) throw Error(3125, "The size of a field can be no more than 255.", "DAO.Field", f.name);
        if (f.length == 0) f.length = static_cast<uint16_t>(2 * f.size);
        break;
      case DataType::kBinary:
        if (f.size <= 0 || f.size > 255) f.size = 255;
        if (f.length == 0) f.length = static_cast<uint16_t>(f.size);
        break;
      case DataType::kMemo: case DataType::kLongBinary:
        f.size = 0;
        f.length = 0;
        break;
      case DataType::kBoolean: case DataType::kByte: case DataType::kInteger: case DataType::kLong:
      case DataType::kCurrency: case DataType::kSingle: case DataType::kDouble: case DataType::kDate:
      case DataType::kGuid: case DataType::kDecimal:
        f.length = f.type == DataType::kBoolean ? 1 : FixedSizeOf(f.type);
        f.size = f.length;
        if (f.type == DataType::kDecimal && f.precision == 0) f.precision = 18;
        break;
      default:
        throw Error(3259, "Invalid field data type.", "DAO.Field", f.name);
    }
  }
  return fields;
}

uint32_t WriteTableDefinition(WriteSession& s, const TableSpec& spec) {
  CheckName(spec.name);
  const std::vector<Field> fields = ValidateFields(spec.fields);
  const uint32_t ps = s.page_size();
  if (spec.indexes.size() > 32) throw Error(3308, "Too many indexes on table.", "DAO.TableDef", spec.name);

  std::vector<uint8_t> blank(ps, 0);
  blank[0] = 0x02;
  blank[1] = 0x01;
  const uint32_t tdef = s.AppendPage(blank.data());

  MapRows maps(s);
  const RowPointer owned = maps.Add(), free_space = maps.Add();
  // Each index: its map and an empty leaf as its root.
  std::vector<RowPointer> index_maps;
  std::vector<uint32_t> roots;
  for (size_t i = 0; i < spec.indexes.size(); ++i) {
    index_maps.push_back(maps.Add());
    std::vector<uint8_t> leaf(ps);
    IndexPage empty;
    empty.tdef_page = tdef;
    EncodeIndexPage(empty, IndexPageLayout::For(4), leaf.data());
    roots.push_back(s.AppendPage(leaf.data()));
    s.SetMapBit(index_maps.back(), roots.back(), true);
  }
  std::vector<std::pair<RowPointer, RowPointer>> lv_maps;
  for (const Field& f : fields) {
    if (IsLongValue(f.type)) {
      RowPointer a = maps.Add();
      RowPointer b = maps.Add();
      lv_maps.emplace_back(a, b);
    }
  }

  uint16_t var_count = 0;
  for (const Field& f : fields) var_count += !IsFixedType(f.type);
  std::string d(8, '\0');  // page header: TdefLayout::Write fills it
  Put32(d, 0);             // length: TdefLayout::Write fills it
  Put32(d, 1625);
  Put32(d, 0);             // rows
  Put32(d, 0);             // last autonumber
  d.push_back(0x01);
  d.append(15, '\0');
  d.push_back(static_cast<char>(spec.system ? 0x53 : 0x4E));
  Put16(d, static_cast<uint16_t>(fields.size()));
  Put16(d, var_count);
  Put16(d, static_cast<uint16_t>(fields.size()));
  Put32(d, static_cast<uint32_t>(spec.indexes.size()));  // logical
  Put32(d, static_cast<uint32_t>(spec.indexes.size()));  // physical, one each
  PutPointer(d, owned);
  PutPointer(d, free_space);
  for (size_t i = 0; i < spec.indexes.size(); ++i) d.append(12, '\0');  // distinct-key counts

  uint16_t fixed_offset = 0, var_index = 0;
  for (size_t i = 0; i < fields.size(); ++i) {
    const Field& f = fields[i];
    const bool fixed = IsFixedType(f.type);
    d.push_back(static_cast<char>(StoredType(f.type)));
    Put32(d, 1625);
    Put16(d, static_cast<uint16_t>(i));
    Put16(d, var_index);
    Put16(d, static_cast<uint16_t>(i));
    if (f.type == DataType::kDecimal) {
      d.push_back(static_cast<char>(f.precision));
      d.push_back(static_cast<char>(f.scale));
      d.append(2, '\0');
    } else {
      Put16(d, 0x0409);  // General legacy
      d.append(2, '\0');
    }
    uint8_t flags = fixed ? kFixedFlags : kVariableFlags;
    if ((f.flags & kColumnAutoNumber) && f.type == DataType::kLong) flags |= kColumnAutoNumber;
    d.push_back(static_cast<char>(flags));
    d.push_back(0);  // text not compressed
    d.append(4, '\0');
    Put16(d, fixed ? fixed_offset : 0);
    Put16(d, f.length);
    if (fixed) fixed_offset = static_cast<uint16_t>(fixed_offset + FixedSizeOf(f.type));
    else ++var_index;
  }
  for (const Field& f : fields) {
    std::string n = ToUcs2(f.name);
    Put16(d, static_cast<uint16_t>(n.size()));
    d += n;
  }
  for (size_t i = 0; i < spec.indexes.size(); ++i) {
    const IndexSpec& ix = spec.indexes[i];
    if (ix.columns.empty() || ix.columns.size() > 10) {
      throw Error(3279, "Too many fields in index.", "DAO.Index", ix.name);
    }
    Put32(d, 1923);
    for (size_t c = 0; c < 10; ++c) {
      if (c < ix.columns.size()) {
        size_t k = 0;
        while (k < fields.size() && FoldName(fields[k].name) != FoldName(ix.columns[c])) ++k;
        if (k == fields.size()) throw Error(errc::kItemNotFound, "Item not found in this collection.", "DAO.Index", ix.columns[c]);
        if (!spec.system && !IsKeyableType(fields[k].type)) throw Error(3251, "Operation is not supported for this type of object.", "DAO.Index", ix.columns[c]);
        Put16(d, static_cast<uint16_t>(k));
        d.push_back(0x01);  // ascending
      } else {
        Put16(d, 0xFFFF);
        d.push_back(0);
      }
    }
    PutPointer(d, index_maps[i]);
    Put32(d, roots[i]);
    Put32(d, 0);
    uint8_t flags = 0x80;
    if (ix.unique || ix.primary) flags |= 0x01;
    if (ix.required || ix.primary) flags |= 0x08;
    d.push_back(static_cast<char>(flags));
    d.append(5, '\0');
  }
  for (size_t i = 0; i < spec.indexes.size(); ++i) {
    Put32(d, 1625);
    Put32(d, static_cast<uint32_t>(i));
    Put32(d, static_cast<uint32_t>(i));
    d.push_back(0);            // no foreign table
    Put32(d, 0xFFFFFFFFu);     // no foreign index
    Put32(d, 0);
    d.push_back(0x04);         // no cascades, as Access writes it
    d.push_back(0x04);
    d.push_back(spec.indexes[i].primary ? 0x01 : 0x00);
    d.append(4, '\0');
  }
  for (const IndexSpec& ix : spec.indexes) {
    CheckName(ix.name);
    std::string n = ToUcs2(ix.name);
    Put16(d, static_cast<uint16_t>(n.size()));
    d += n;
  }
  size_t lv = 0;
  for (size_t i = 0; i < fields.size(); ++i) {
    if (!IsLongValue(fields[i].type)) continue;
    Put16(d, static_cast<uint16_t>(i));
    PutPointer(d, lv_maps[lv].first);
    PutPointer(d, lv_maps[lv].second);
    ++lv;
  }
  Put16(d, 0xFFFF);
  TdefLayout layout;
  layout.bytes.assign(d.begin(), d.end());
  layout.pages = {tdef};
  layout.Write(s);
  return tdef;
}

}  // namespace tolvane::jet
