#include "jet/value.h"

#include <cmath>
#include <cstdio>
#include <cstring>

#include "jet/error.h"

namespace tolvane::jet {

const char* DataTypeName(DataType type) {
  switch (type) {
    case DataType::kBoolean: return "Boolean";
    case DataType::kByte: return "Byte";
    case DataType::kInteger: return "Integer";
    case DataType::kLong: return "Long";
    case DataType::kCurrency: return "Currency";
    case DataType::kSingle: return "Single";
    case DataType::kDouble: return "Double";
    case DataType::kDate: return "Date/Time";
    case DataType::kBinary: return "Binary";
    case DataType::kText: return "Text";
    case DataType::kLongBinary: return "OLE Object";
    case DataType::kMemo: return "Memo";
    case DataType::kGuid: return "GUID";
    case DataType::kDecimal: return "Decimal";
  }
  return "Unknown";
}

std::string Decimal::ToString() const {
  uint32_t limbs[3] = {high, static_cast<uint32_t>(low >> 32), static_cast<uint32_t>(low)};
  std::string digits;
  while (limbs[0] || limbs[1] || limbs[2]) {
    uint64_t rem = 0;
    for (auto& limb : limbs) {
      const uint64_t cur = (rem << 32) | limb;
      limb = static_cast<uint32_t>(cur / 10);
      rem = cur % 10;
    }
    digits.push_back(static_cast<char>('0' + rem));
  }
  while (digits.size() <= scale) digits.push_back('0');
  std::string out;
  if (negative) out.push_back('-');
  for (size_t i = digits.size(); i-- > 0;) {
    out.push_back(digits[i]);
    if (i == scale && scale > 0) out.push_back('.');
  }
  return out;
}

double Decimal::ToDouble() const {
  double v = static_cast<double>(high) * 18446744073709551616.0 + static_cast<double>(low);
  v /= std::pow(10.0, scale);
  return negative ? -v : v;
}

void Value::Mismatch() const {
  throw Error(errc::kTypeMismatch, "Type mismatch", "DAO.Field");
}

#define TOLVANE_ACCESSOR(ret, name, tag, member) \
  ret Value::name() const {                      \
    if (null_ || type_ != DataType::tag) Mismatch(); \
    return n_.member;                            \
  }
TOLVANE_ACCESSOR(bool, boolean, kBoolean, b)
TOLVANE_ACCESSOR(uint8_t, byte, kByte, u8)
TOLVANE_ACCESSOR(int16_t, integer, kInteger, i16)
TOLVANE_ACCESSOR(int32_t, long_value, kLong, i32)
TOLVANE_ACCESSOR(int64_t, currency, kCurrency, i64)
TOLVANE_ACCESSOR(float, single, kSingle, f)
TOLVANE_ACCESSOR(double, double_value, kDouble, d)
TOLVANE_ACCESSOR(double, date, kDate, d)
#undef TOLVANE_ACCESSOR

const Decimal& Value::decimal() const {
  if (null_ || type_ != DataType::kDecimal) Mismatch();
  return n_.dec;
}

const std::string& Value::text() const {
  if (!is_text()) Mismatch();
  return bytes_;
}

std::string_view Value::bytes() const {
  if (null_ || (type_ != DataType::kBinary && type_ != DataType::kLongBinary &&
                type_ != DataType::kGuid)) {
    Mismatch();
  }
  return bytes_;
}

bool Value::is_number() const {
  if (null_) return false;
  switch (type_) {
    case DataType::kByte: case DataType::kInteger: case DataType::kLong:
    case DataType::kCurrency: case DataType::kSingle: case DataType::kDouble:
    case DataType::kDecimal:
      return true;
    default:
      return false;
  }
}

double Value::AsDouble() const {
  if (null_) Mismatch();
  switch (type_) {
    case DataType::kBoolean: return n_.b ? -1.0 : 0.0;
    case DataType::kByte: return n_.u8;
    case DataType::kInteger: return n_.i16;
    case DataType::kLong: return n_.i32;
    case DataType::kCurrency: return static_cast<double>(n_.i64) / 10000.0;
    case DataType::kSingle: return n_.f;
    case DataType::kDouble: case DataType::kDate: return n_.d;
    case DataType::kDecimal: return n_.dec.ToDouble();
    default: Mismatch();
  }
}

namespace {

// Shortest form with at most `digits` significant digits, as the platform prints numbers.
std::string FormatFloat(double v, int digits) {
  char buf[48];
  std::snprintf(buf, sizeof buf, "%.*G", digits, v);
  return buf;
}

std::string FormatCurrency(int64_t ten_thousandths) {
  const bool negative = ten_thousandths < 0;
  const uint64_t mag = negative ? 0 - static_cast<uint64_t>(ten_thousandths)
                                : static_cast<uint64_t>(ten_thousandths);
  std::string out = negative ? "-" : "";
  out += std::to_string(mag / 10000);
  uint64_t frac = mag % 10000;
  if (frac) {
    char buf[8];
    std::snprintf(buf, sizeof buf, ".%04u", static_cast<unsigned>(frac));
    std::string f = buf;
    while (f.back() == '0') f.pop_back();
    out += f;
  }
  return out;
}

}  // namespace

DateParts SplitOleDate(double ole_date) {
  // The whole part counts days (negative before 1899-12-30); the fraction is the time of day
  // whatever the sign, so -1.25 is 1899-12-29 06:00.
  double whole = std::trunc(ole_date);
  double frac = std::fabs(ole_date - whole);
  long long seconds = std::llround(frac * 86400.0);
  if (seconds >= 86400) {
    seconds -= 86400;
    whole += ole_date < 0 ? -1 : 1;
  }
  // Days since 1970-01-01, then the civil-from-days algorithm.
  long long z = static_cast<long long>(whole) - 25569 + 719468;
  const long long era = (z >= 0 ? z : z - 146096) / 146097;
  const unsigned doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  DateParts p;
  p.day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  p.month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  p.year = static_cast<int>(yoe + era * 400 + (p.month <= 2 ? 1 : 0));
  p.hour = static_cast<int>(seconds / 3600);
  p.minute = static_cast<int>(seconds / 60 % 60);
  p.second = static_cast<int>(seconds % 60);
  return p;
}

std::string GuidToText(std::string_view b) {
  if (b.size() != 16) return {};
  const auto* u = reinterpret_cast<const uint8_t*>(b.data());
  char buf[40];
  std::snprintf(buf, sizeof buf,
                "{%02X%02X%02X%02X-%02X%02X-%02X%02X-%02X%02X-%02X%02X%02X%02X%02X%02X}", u[3],
                u[2], u[1], u[0], u[5], u[4], u[7], u[6], u[8], u[9], u[10], u[11], u[12], u[13],
                u[14], u[15]);
  return buf;
}

std::string Value::ToText() const {
  if (null_) return {};
  switch (type_) {
    case DataType::kBoolean: return n_.b ? "True" : "False";
    case DataType::kByte: return std::to_string(n_.u8);
    case DataType::kInteger: return std::to_string(n_.i16);
    case DataType::kLong: return std::to_string(n_.i32);
    case DataType::kCurrency: return FormatCurrency(n_.i64);
    case DataType::kSingle: return FormatFloat(n_.f, 7);
    case DataType::kDouble: return FormatFloat(n_.d, 15);
    case DataType::kDate: {
      const DateParts p = SplitOleDate(n_.d);
      char buf[48];
      std::snprintf(buf, sizeof buf, "%02d/%02d/%02d %02d:%02d:%02d", p.month, p.day,
                    ((p.year % 100) + 100) % 100, p.hour, p.minute, p.second);
      return buf;
    }
    case DataType::kDecimal: return n_.dec.ToString();
    case DataType::kGuid: return GuidToText(bytes_);
    case DataType::kText: case DataType::kMemo: case DataType::kBinary:
    case DataType::kLongBinary:
      return bytes_;
  }
  return {};
}

bool Value::operator==(const Value& o) const {
  if (null_ || o.null_) return null_ == o.null_;
  if (type_ != o.type_) return false;
  switch (type_) {
    case DataType::kBoolean: return n_.b == o.n_.b;
    case DataType::kByte: return n_.u8 == o.n_.u8;
    case DataType::kInteger: return n_.i16 == o.n_.i16;
    case DataType::kLong: return n_.i32 == o.n_.i32;
    case DataType::kCurrency: return n_.i64 == o.n_.i64;
    case DataType::kSingle: return n_.f == o.n_.f;
    case DataType::kDouble: case DataType::kDate: return n_.d == o.n_.d;
    case DataType::kDecimal:
      return n_.dec.negative == o.n_.dec.negative && n_.dec.scale == o.n_.dec.scale &&
             n_.dec.high == o.n_.dec.high && n_.dec.low == o.n_.dec.low;
    default: return bytes_ == o.bytes_;
  }
}

}  // namespace tolvane::jet
