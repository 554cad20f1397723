#include "jet/row.h"

#include <cstring>

#include "jet/error.h"
#include "jet/long_value.h"
#include "jet/text.h"

namespace tolvane::jet {

RowDecoder::RowDecoder(const Pager& pager, const TableDef& table, uint16_t code_page)
    : pager_(pager), table_(table), code_page_(code_page), jet3_(pager.jet_version() == 3) {}

void RowDecoder::Corrupt(const std::string& what) const {
  ThrowCorrupt(pager_.path(), "row on page " + std::to_string(page_number_) + ": " + what);
}

void RowDecoder::Load(const Page& page, const RowSlot& slot) {
  page_number_ = page.number();
  size_ = slot.size();
  row_ = page.Bytes(slot.start, size_);
  const uint32_t count_size = jet3_ ? 1 : 2;
  if (size_ < count_size) Corrupt("empty row");
  num_cols_ = jet3_ ? row_[0] : static_cast<uint16_t>(row_[0] | (row_[1] << 8));
  const uint32_t mask_size = (num_cols_ + 7u) / 8u;
  if (size_ < count_size + mask_size) Corrupt("null mask does not fit");
  mask_ = row_ + size_ - mask_size;
  var_count_ = 0;
  var_offsets_.clear();
  var_table_start_ = size_ - mask_size;
  if (table_.var_cols() == 0) return;
  const uint32_t e = size_ - mask_size;  // end of the part before the mask
  if (jet3_) {
    if (e < 2) Corrupt("variable-column count does not fit");
    var_count_ = row_[e - 1];
    uint32_t jumps = (size_ - 1) / 256;
    if (e < 1 + jumps + var_count_ + 1) Corrupt("variable-column table does not fit");
    const uint32_t col_ptr = e - 1 - jumps - 1;
    // The last jump entry is only a placeholder when the offsets it would lift stay below 256.
    if ((col_ptr - var_count_) / 256 < jumps) --jumps;
    var_table_start_ = col_ptr - var_count_;
    uint32_t used = 0;
    var_offsets_.resize(var_count_ + 1);
    for (uint32_t i = 0; i <= var_count_; ++i) {
      while (used < jumps && row_[e - 2 - used] == i) ++used;
      var_offsets_[i] = row_[col_ptr - i] + used * 256;
    }
  } else {
    if (e < 4) Corrupt("variable-column count does not fit");
    var_count_ = row_[e - 2] | (row_[e - 1] << 8);
    if (e < 2 + 2 + 2 * (var_count_ + 1)) Corrupt("variable-column table does not fit");
    var_table_start_ = e - 2 - 2 * (var_count_ + 1);
    var_offsets_.resize(var_count_ + 1);
    for (uint32_t i = 0; i <= var_count_; ++i) {
      const uint32_t at = e - 4 - 2 * i;
      var_offsets_[i] = row_[at] | (row_[at + 1] << 8);
    }
  }
}

bool RowDecoder::NotNull(uint16_t col_num) const {
  if (col_num >= num_cols_) return false;
  return (mask_[col_num / 8] >> (col_num % 8)) & 1;
}

namespace {

uint16_t Le16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
uint32_t Le32(const uint8_t* p) { uint32_t v; std::memcpy(&v, p, 4); return v; }

size_t FixedWidth(DataType type, uint16_t length) {
  const uint16_t n = FixedSizeOf(type);
  return n != 0 ? n : length;
}

}  // namespace

bool RowDecoder::StoredBytes(size_t i, const uint8_t*& p, size_t& n) const {
  const Field& f = table_.fields()[i];
  if (f.type == DataType::kBoolean || !NotNull(f.col_num)) return false;
  if (f.is_fixed()) {
    n = FixedWidth(f.type, f.length);
    const size_t at = (jet3_ ? 1 : 2) + size_t{f.fixed_offset};
    if (at + n > var_table_start_) Corrupt("fixed column '" + f.name + "' runs past the row");
    p = row_ + at;
    return true;
  }
  if (f.var_index >= var_count_) return false;
  const uint32_t start = var_offsets_[f.var_index];
  const uint32_t end = var_offsets_[f.var_index + 1];
  if (start > end || end > var_table_start_) {
    Corrupt("variable column '" + f.name + "' lies outside the row");
  }
  p = row_ + start;
  n = end - start;
  return true;
}

void RowDecoder::Decode(size_t i, Value& out) const {
  const Field& f = table_.fields()[i];
  if (f.type == DataType::kBoolean) {
    out.SetBoolean(NotNull(f.col_num));
    return;
  }
  const uint8_t* p;
  size_t n;
  if (!StoredBytes(i, p, n)) {
    out.SetNull(f.type);
    return;
  }
  switch (f.type) {
    case DataType::kByte: out.SetByte(p[0]); return;
    case DataType::kInteger: out.SetInteger(static_cast<int16_t>(Le16(p))); return;
    case DataType::kLong: out.SetLong(static_cast<int32_t>(Le32(p))); return;
    case DataType::kCurrency: { int64_t v; std::memcpy(&v, p, 8); out.SetCurrency(v); return; }
    case DataType::kSingle: { float v; std::memcpy(&v, p, 4); out.SetSingle(v); return; }
    case DataType::kDouble: { double v; std::memcpy(&v, p, 8); out.SetDouble(v); return; }
    case DataType::kDate: { double v; std::memcpy(&v, p, 8); out.SetDate(v); return; }
    case DataType::kGuid:
      if (n < 16) Corrupt("GUID shorter than 16 bytes");
      out.SetGuid(p);
      return;
    case DataType::kDecimal: {
      if (n < 17) Corrupt("Numeric shorter than 17 bytes");
      // A sign byte, then four 32-bit little-endian words, the most significant first.
      Decimal d;
      d.negative = (p[0] & 0x80) != 0;
      d.precision = f.precision;
      d.scale = f.scale;
      d.high = Le32(p + 5);
      d.low = (uint64_t{Le32(p + 9)} << 32) | Le32(p + 13);
      out.SetDecimal(d);
      return;
    }
    case DataType::kBinary:
      out.SetBinary(p, n);
      return;
    case DataType::kText: {
      std::string& s = out.MutableBytes(DataType::kText);
      s.clear();
      if (jet3_) AppendCodePageText(p, n, code_page_, s); else AppendJet4Text(p, n, s);
      return;
    }
    case DataType::kMemo: {
      std::string& s = out.MutableBytes(DataType::kMemo);
      s.clear();
      std::string raw;
      ReadLongValue(pager_, p, n, raw);
      if (jet3_) AppendCodePageText(reinterpret_cast<const uint8_t*>(raw.data()), raw.size(),
                                    code_page_, s);
      else AppendJet4Text(reinterpret_cast<const uint8_t*>(raw.data()), raw.size(), s);
      return;
    }
    case DataType::kLongBinary: {
      std::string& s = out.MutableBytes(DataType::kLongBinary);
      s.clear();
      ReadLongValue(pager_, p, n, s);
      return;
    }
    case DataType::kBoolean:
      return;
  }
}

}  // namespace tolvane::jet
