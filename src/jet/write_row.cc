#include "jet/write_row.h"

#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>

#include "jet/error.h"

namespace tolvane::jet {
namespace {

[[noreturn]] void ConversionError(const Field& f, const std::string& why) {
  throw Error(3421, "Data type conversion error.", "DAO.Field", f.name + ": " + why);
}

void Put16(std::string& s, size_t at, uint16_t v) {
  s[at] = static_cast<char>(v);
  s[at + 1] = static_cast<char>(v >> 8);
}
void Append32(std::string& s, uint32_t v) {
  for (int i = 0; i < 4; ++i) s.push_back(static_cast<char>(v >> (8 * i)));
}

bool ParseDouble(std::string_view text, double& out) {
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  if (text.empty()) return false;
  auto r = std::from_chars(text.data(), text.data() + text.size(), out);
  return r.ec == std::errc() && r.ptr == text.data() + text.size();
}

// Days from 1899-12-30 for a civil date.
double OleDate(int y, int m, int d, int hh, int mi, int ss) {
  auto days_from_civil = [](int64_t y, unsigned m, unsigned d) {
    y -= m <= 2;
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<int64_t>(doe) - 719468;
  };
  double days = static_cast<double>(days_from_civil(y, m, d) - days_from_civil(1899, 12, 30));
  double frac = (hh * 3600 + mi * 60 + ss) / 86400.0;
  // OLE dates before 1899-12-30 count the time part away from zero.
  return days >= 0 ? days + frac : days - frac;
}

// "YYYY-MM-DD[ HH:MM[:SS]]" or "MM/DD/YYYY[ HH:MM[:SS]]".
bool ParseDate(std::string_view t, double& out) {
  int a = 0, b = 0, c = 0, hh = 0, mi = 0, ss = 0;
  char s1 = 0, s2 = 0;
  std::string text(t);
  int n = std::sscanf(text.c_str(), "%d%c%d%c%d %d:%d:%d", &a, &s1, &b, &s2, &c, &hh, &mi, &ss);
  if (n < 5 || s1 != s2 || (s1 != '-' && s1 != '/')) return false;
  int y, m, d;
  if (s1 == '-') { y = a; m = b; d = c; } else { m = a; d = b; y = c < 100 ? (c < 30 ? 2000 + c : 1900 + c) : c; }
  if (m < 1 || m > 12 || d < 1 || d > 31 || hh < 0 || hh > 23 || mi < 0 || mi > 59 || ss < 0 || ss > 59) return false;
  out = OleDate(y, m, d, hh, mi, ss);
  return true;
}

double NumberOf(const Field& f, const Value& v) {
  if (v.is_text()) {
    double d;
    if (!ParseDouble(v.text(), d)) ConversionError(f, "'" + v.text() + "' is not a number");
    return d;
  }
  if (v.type() == DataType::kDecimal) return v.decimal().ToDouble();
  if (v.is_number() || v.type() == DataType::kBoolean || v.type() == DataType::kDate ||
      v.type() == DataType::kCurrency) {
    return v.AsDouble();
  }
  ConversionError(f, std::string("a ") + DataTypeName(v.type()) + " value");
}

// Text such as "-922337203685477.5808" to ten-thousandths, exactly.
bool ParseCurrency(std::string_view t, int64_t& out) {
  while (!t.empty() && t.front() == ' ') t.remove_prefix(1);
  while (!t.empty() && t.back() == ' ') t.remove_suffix(1);
  bool negative = !t.empty() && t.front() == '-';
  if (negative || (!t.empty() && t.front() == '+')) t.remove_prefix(1);
  if (t.empty()) return false;
  __int128 v = 0;
  int decimals = -1;
  for (char c : t) {
    if (c == '.' && decimals < 0) { decimals = 0; continue; }
    if (c < '0' || c > '9') return false;
    if (decimals >= 4) continue;  // beyond a ten-thousandth: dropped
    v = v * 10 + (c - '0');
    if (decimals >= 0) ++decimals;
    if (v > (static_cast<__int128>(1) << 64)) return false;
  }
  for (int d = decimals < 0 ? 0 : decimals; d < 4; ++d) v *= 10;
  if (negative) v = -v;
  if (v < INT64_MIN || v > INT64_MAX) return false;
  out = static_cast<int64_t>(v);
  return true;
}

int64_t WholeNumber(const Field& f, const Value& v, int64_t lo, int64_t hi) {
  double d = std::nearbyint(NumberOf(f, v));  // DAO rounds half to even
  if (!(d >= static_cast<double>(lo) && d <= static_cast<double>(hi))) {
    ConversionError(f, "value out of range");
  }
  return static_cast<int64_t>(d);
}

size_t CharacterCount(std::string_view utf8) {
  size_t n = 0;
  for (unsigned char c : utf8) n += (c & 0xC0) != 0x80;
  return n;
}

size_t FixedWidth(const Field& f) {
  if (f.type == DataType::kBoolean) return 0;
  const uint16_t n = FixedSizeOf(f.type);
  return n != 0 ? n : f.length;
}

bool ParseGuid(std::string_view t, uint8_t out[16]) {
  std::string hex;
  for (char c : t) if (std::isxdigit(static_cast<unsigned char>(c))) hex.push_back(c);
  if (hex.size() != 32) return false;
  uint8_t raw[16];
  for (int i = 0; i < 16; ++i) raw[i] = static_cast<uint8_t>(std::stoi(hex.substr(2 * i, 2), nullptr, 16));
  // The first three groups are stored little-endian.
  const int order[16] = {3, 2, 1, 0, 5, 4, 7, 6, 8, 9, 10, 11, 12, 13, 14, 15};
  for (int i = 0; i < 16; ++i) out[i] = raw[order[i]];
  return true;
}

}  // namespace

std::string ToUcs2(std::string_view s) {
  std::string out;
  out.reserve(s.size() * 2);
  auto put = [&](uint32_t u) {
    out.push_back(static_cast<char>(u & 0xFF));
    out.push_back(static_cast<char>(u >> 8));
  };
  for (size_t i = 0; i < s.size();) {
    unsigned char b = static_cast<unsigned char>(s[i]);
    int extra = b < 0x80 ? 0 : (b & 0xE0) == 0xC0 ? 1 : (b & 0xF0) == 0xE0 ? 2 : 3;
    uint32_t c = extra == 0 ? b : b & (0x3F >> extra);
    for (int k = 1; k <= extra && i + k < s.size(); ++k) c = (c << 6) | (s[i + k] & 0x3F);
    i += extra + 1;
    if (c >= 0x10000) {
      c -= 0x10000;
      put(0xD800 | (c >> 10));
      put(0xDC00 | (c & 0x3FF));
    } else {
      put(c);
    }
  }
  return out;
}

Value CoerceToField(const Field& f, const Value& v) {
  Value out;
  if (v.is_null()) {
    if (f.type == DataType::kBoolean) out.SetBoolean(false); else out.SetNull(f.type);
    return out;
  }
  switch (f.type) {
    case DataType::kBoolean:
      if (v.type() == DataType::kBoolean) { out.SetBoolean(v.boolean()); break; }
      if (v.is_text()) {
        std::string w;
        for (char c : v.text()) w.push_back(static_cast<char>(std::tolower(static_cast<unsigned char>(c))));
        if (w == "true" || w == "yes" || w == "on") { out.SetBoolean(true); break; }
        if (w == "false" || w == "no" || w == "off") { out.SetBoolean(false); break; }
      }
      out.SetBoolean(NumberOf(f, v) != 0);
      break;
    case DataType::kByte: out.SetByte(static_cast<uint8_t>(WholeNumber(f, v, 0, 255))); break;
    case DataType::kInteger: out.SetInteger(static_cast<int16_t>(WholeNumber(f, v, -32768, 32767))); break;
    case DataType::kLong:
      out.SetLong(static_cast<int32_t>(WholeNumber(f, v, std::numeric_limits<int32_t>::min(),
                                                   std::numeric_limits<int32_t>::max())));
      break;
    case DataType::kCurrency: {
      if (v.type() == DataType::kCurrency) { out.SetCurrency(v.currency()); break; }
      int64_t exact;
      if (v.is_text() && ParseCurrency(v.text(), exact)) { out.SetCurrency(exact); break; }
      double d = std::nearbyint(NumberOf(f, v) * 10000.0);
      if (!(std::fabs(d) < 9.2e18)) ConversionError(f, "value out of range");
      out.SetCurrency(static_cast<int64_t>(d));
      break;
    }
    case DataType::kSingle: {
      double d = NumberOf(f, v);
      if (std::isfinite(d) && std::fabs(d) > std::numeric_limits<float>::max()) ConversionError(f, "value out of range");
      out.SetSingle(static_cast<float>(d));
      break;
    }
    case DataType::kDouble: out.SetDouble(NumberOf(f, v)); break;
    case DataType::kDate: {
      double d;
      if (v.type() == DataType::kDate) d = v.date();
      else if (v.is_text()) { if (!ParseDate(v.text(), d) && !ParseDouble(v.text(), d)) ConversionError(f, "'" + v.text() + "' is not a date"); }
      else d = NumberOf(f, v);
      out.SetDate(d);
      break;
    }
    case DataType::kText:
    case DataType::kMemo: {
      std::string text = v.is_text() ? v.text() : v.ToText();
      if (f.type == DataType::kText && f.size > 0 && CharacterCount(text) > static_cast<size_t>(f.size)) {
        throw Error(3163, "The field is too small to accept the amount of data you attempted to add.  Try inserting or pasting less data.",
                    "DAO.Field", f.name);
      }
      out.SetText(text, f.type);
      break;
    }
    case DataType::kBinary:
    case DataType::kLongBinary: {
      std::string_view b = v.is_text() ? std::string_view(v.text()) : v.bytes();
      if (f.type == DataType::kBinary && f.length > 0 && b.size() > f.length) {
        throw Error(3163, "The field is too small to accept the amount of data you attempted to add.  Try inserting or pasting less data.",
                    "DAO.Field", f.name);
      }
      out.SetBinary(reinterpret_cast<const uint8_t*>(b.data()), b.size(), f.type);
      break;
    }
    case DataType::kGuid: {
      if (v.type() == DataType::kGuid) { out = v; break; }
      uint8_t g[16];
      if (!v.is_text() || !ParseGuid(v.text(), g)) ConversionError(f, "not a GUID");
      out.SetGuid(g);
      break;
    }
    case DataType::kDecimal: {
      if (v.type() == DataType::kDecimal) { out = v; break; }
      double d = std::nearbyint(NumberOf(f, v) * std::pow(10.0, f.scale));
      if (!(std::fabs(d) < 1.8e19)) ConversionError(f, "value out of range");
      Decimal dec;
      dec.negative = d < 0;
      dec.precision = f.precision;
      dec.scale = f.scale;
      dec.low = static_cast<uint64_t>(std::fabs(d));
      out.SetDecimal(dec);
      break;
    }
  }
  return out;
}

namespace {
void RowShape(const TableDef& t, size_t& fixed_end, uint16_t& var_slots) {
  fixed_end = 0;
  var_slots = t.var_cols();
  for (const Field& f : t.fields()) {
    if (f.is_fixed()) fixed_end = std::max(fixed_end, size_t{f.fixed_offset} + FixedWidth(f));
    else var_slots = std::max<uint16_t>(var_slots, f.var_index + 1);
  }
}
}  // namespace

std::string PadRow(const TableDef& t, const std::string& row, size_t size) {
  if (row.size() >= size) return row;
  size_t fixed_end;
  uint16_t var_slots;
  RowShape(t, fixed_end, var_slots);
  size_t tail = (t.max_cols() + 7) / 8 + (var_slots > 0 ? 2 + 2 * var_slots + 2 : 0);
  std::string out = row;
  out.insert(row.size() - tail, size - row.size(), '\0');
  return out;
}

std::string EncodeRow(const TableDef& t, const std::vector<Value>& values, LongValueStore& lv) {
  const auto& fields = t.fields();
  const uint16_t cols = t.max_cols();
  size_t fixed_end;
  uint16_t var_slots;
  RowShape(t, fixed_end, var_slots);
  std::string row(2 + fixed_end, '\0');
  Put16(row, 0, cols);
  std::vector<uint8_t> mask((cols + 7) / 8, 0);
  std::vector<uint32_t> var_start(var_slots, 0), var_end(var_slots, 0);
  std::vector<bool> var_set(var_slots, false);
  auto mark = [&](uint16_t col) { mask[col / 8] |= static_cast<uint8_t>(1u << (col % 8)); };

  for (size_t i = 0; i < fields.size(); ++i) {
    const Field& f = fields[i];
    const Value& v = values[i];
    if (f.type == DataType::kBoolean) {
      if (!v.is_null() && v.boolean()) mark(f.col_num);
      continue;
    }
    if (v.is_null()) continue;
    mark(f.col_num);
    if (f.is_fixed()) {
      char* p = row.data() + 2 + f.fixed_offset;
      switch (f.type) {
        case DataType::kByte: p[0] = static_cast<char>(v.byte()); break;
        case DataType::kInteger: { int16_t n = v.integer(); std::memcpy(p, &n, 2); break; }
        case DataType::kLong: { int32_t n = v.long_value(); std::memcpy(p, &n, 4); break; }
        case DataType::kCurrency: { int64_t n = v.currency(); std::memcpy(p, &n, 8); break; }
        case DataType::kSingle: { float n = v.single(); std::memcpy(p, &n, 4); break; }
        case DataType::kDouble: { double n = v.double_value(); std::memcpy(p, &n, 8); break; }
        case DataType::kDate: { double n = v.date(); std::memcpy(p, &n, 8); break; }
        case DataType::kGuid: std::memcpy(p, v.bytes().data(), 16); break;
        case DataType::kDecimal: {
          const Decimal& d = v.decimal();
          p[0] = d.negative ? static_cast<char>(0x80) : 0;
          uint32_t words[4] = {0, d.high, static_cast<uint32_t>(d.low >> 32), static_cast<uint32_t>(d.low)};
          std::memcpy(p + 1, &words[0], 4);
          std::memcpy(p + 5, &words[1], 4);
          std::memcpy(p + 9, &words[2], 4);
          std::memcpy(p + 13, &words[3], 4);
          break;
        }
        case DataType::kText: {  // fixed-length text: blank-padded UCS-2
          std::string s = ToUcs2(v.text());
          for (size_t k = 0; k < f.length; k += 2) {
            p[k] = k < s.size() ? s[k] : ' ';
            if (k + 1 < f.length) p[k + 1] = k + 1 < s.size() ? s[k + 1] : 0;
          }
          break;
        }
        default: {
          std::string_view b = v.bytes();
          std::memcpy(p, b.data(), std::min<size_t>(b.size(), f.length));
        }
      }
      continue;
    }
    std::string data;
    switch (f.type) {
      case DataType::kText: data = ToUcs2(v.text()); break;
      case DataType::kBinary: data.assign(v.bytes()); break;
      case DataType::kMemo:
      case DataType::kLongBinary: {
        std::string body = f.type == DataType::kMemo ? ToUcs2(v.text()) : std::string(v.bytes());
        if (body.size() > 0x3FFFFF) ConversionError(f, "long value too long");
        const uint32_t len = static_cast<uint32_t>(body.size());
        if (body.size() <= 64) {
          Append32(data, len | 0x80000000u);
          Append32(data, 0);
          Append32(data, 0);
          data += body;
        } else if (body.size() <= lv.MaxLongValueRow()) {
          RowPointer at = lv.AddLongValueRow(i, body);
          Append32(data, len | 0x40000000u);
          Append32(data, (at.page << 8) | at.row);
          Append32(data, 0);
        } else {
          // A chain: each row starts with the pointer to the next; written from the end so
          // each row knows its successor.
          const size_t chunk = lv.MaxLongValueRow() - 4;
          size_t pieces = (body.size() + chunk - 1) / chunk;
          uint32_t next = 0;
          for (size_t k = pieces; k-- > 0;) {
            std::string piece;
            Append32(piece, next);
            piece.append(body, k * chunk, std::min(chunk, body.size() - k * chunk));
            RowPointer at = lv.AddLongValueRow(i, piece);
            next = (at.page << 8) | at.row;
          }
          Append32(data, len);
          Append32(data, next);
          Append32(data, 0);
        }
        break;
      }
      default: ConversionError(f, "variable column of unexpected type");
    }
    var_start[f.var_index] = static_cast<uint32_t>(row.size());
    row += data;
    var_end[f.var_index] = static_cast<uint32_t>(row.size());
    var_set[f.var_index] = true;
  }

  if (var_slots > 0) {
    // Offsets must rise slot by slot: a null or unused slot gets the offset of the next
    // data, so it reads as empty.
    std::vector<uint32_t> offsets(var_slots + 1);
    // Slots were filled in field order; rebuild contiguous offsets in slot order.
    std::string fixed_part = row.substr(0, 2 + fixed_end);
    std::string rebuilt = fixed_part;
    for (uint16_t s = 0; s < var_slots; ++s) {
      offsets[s] = static_cast<uint32_t>(rebuilt.size());
      if (var_set[s]) rebuilt.append(row, var_start[s], var_end[s] - var_start[s]);
    }
    offsets[var_slots] = static_cast<uint32_t>(rebuilt.size());
    row.swap(rebuilt);
    std::string end(2 + 2 * var_slots + 2, '\0');
    Put16(end, 0, static_cast<uint16_t>(offsets[var_slots]));
    for (uint16_t s = 0; s < var_slots; ++s) {
      Put16(end, 2 + 2 * (var_slots - 1 - s), static_cast<uint16_t>(offsets[s]));
    }
    Put16(end, 2 + 2 * var_slots, var_slots);
    row += end;
  }
  row.append(reinterpret_cast<const char*>(mask.data()), mask.size());
  if (row.size() > kMaxJet4Row) {
    throw Error(3047, "Record is too large.", "DAO.Recordset",
                std::to_string(row.size()) + " bytes");
  }
  return row;
}

}  // namespace tolvane::jet
