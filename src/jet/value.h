// A field's value as DAO presents it: a type that is kept (an Integer stays an Integer),
// and null as its own state. Text is UTF-8; binary and GUID values are bytes.
// A Value is reused from row to row by recordsets, so setters keep the string's storage.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace tolvane::jet {

// DAO's type codes.
enum class DataType : int {
  kBoolean = 1,
  kByte = 2,
  kInteger = 3,
  kLong = 4,
  kCurrency = 5,
  kSingle = 6,
  kDouble = 7,
  kDate = 8,
  kBinary = 9,
  kText = 10,
  kLongBinary = 11,
  kMemo = 12,
  kGuid = 15,
  kDecimal = 20,
};

const char* DataTypeName(DataType type);

// Bytes a fixed-width type takes in a row's fixed area; 0 for Boolean (it lives only in
// the null mask) and for the variable types.
constexpr uint16_t FixedSizeOf(DataType type) {
  switch (type) {
    case DataType::kByte: return 1;
    case DataType::kInteger: return 2;
    case DataType::kLong: case DataType::kSingle: return 4;
    case DataType::kCurrency: case DataType::kDouble: case DataType::kDate: return 8;
    case DataType::kGuid: return 16;
    case DataType::kDecimal: return 17;
    default: return 0;
  }
}  // "Text", "Long", ... as Access names them

// Jet 4's Numeric: a 96-bit magnitude, a sign and a scale (digits after the point).
struct Decimal {
  bool negative = false;
  uint8_t precision = 18;
  uint8_t scale = 0;
  uint32_t high = 0;  // bits 64..95 of the magnitude
  uint64_t low = 0;   // bits 0..63

  std::string ToString() const;  // "-12.50" keeps the scale's digits
  double ToDouble() const;
};

class Value {
 public:
  Value() = default;  // null
  static Value Null(DataType type = DataType::kText) { Value v; v.type_ = type; return v; }
  static Value Boolean(bool b) { Value v; v.SetBoolean(b); return v; }
  static Value Long(int32_t n) { Value v; v.SetLong(n); return v; }
  static Value Double(double d) { Value v; v.SetDouble(d); return v; }
  static Value Text(std::string_view s) { Value v; v.SetText(s); return v; }

  DataType type() const { return type_; }
  bool is_null() const { return null_; }

  void SetNull(DataType type) { type_ = type; null_ = true; }
  void SetBoolean(bool b) { Set(DataType::kBoolean); n_.b = b; }
  void SetByte(uint8_t n) { Set(DataType::kByte); n_.u8 = n; }
  void SetInteger(int16_t n) { Set(DataType::kInteger); n_.i16 = n; }
  void SetLong(int32_t n) { Set(DataType::kLong); n_.i32 = n; }
  void SetCurrency(int64_t ten_thousandths) { Set(DataType::kCurrency); n_.i64 = ten_thousandths; }
  void SetSingle(float f) { Set(DataType::kSingle); n_.f = f; }
  void SetDouble(double d) { Set(DataType::kDouble); n_.d = d; }
  void SetDate(double ole_date) { Set(DataType::kDate); n_.d = ole_date; }
  void SetDecimal(const Decimal& d) { Set(DataType::kDecimal); n_.dec = d; }
  // Text and memo: UTF-8.
  void SetText(std::string_view utf8, DataType type = DataType::kText) {
    Set(type); bytes_.assign(utf8.data(), utf8.size());
  }
  void SetBinary(const uint8_t* data, size_t size, DataType type = DataType::kBinary) {
    Set(type); bytes_.assign(reinterpret_cast<const char*>(data), size);
  }
  void SetGuid(const uint8_t bytes[16]) { SetBinary(bytes, 16, DataType::kGuid); }
  // Storage the row decoder fills in place (it avoids a copy per value).
  std::string& MutableBytes(DataType type) { Set(type); return bytes_; }

  // Accessors fail with 13 (Type mismatch) when the value is null or of another type.
  bool boolean() const;
  uint8_t byte() const;
  int16_t integer() const;
  int32_t long_value() const;
  int64_t currency() const;  // ten-thousandths
  float single() const;
  double double_value() const;
  double date() const;  // OLE automation date: days since 1899-12-30, time as the fraction
  const Decimal& decimal() const;
  const std::string& text() const;   // Text and Memo
  std::string_view bytes() const;    // Binary, OLE, GUID (16 bytes as stored)

  bool is_number() const;  // Byte .. Double and Decimal (not Boolean, Date or text)
  bool is_text() const { return !null_ && (type_ == DataType::kText || type_ == DataType::kMemo); }
  // Any number, Boolean (-1 / 0), Date or Currency as a double.
  double AsDouble() const;

  // In the style of the original platform's default conversion: null -> "", True ->
  // "True", 2.5 -> "2.5", Currency 3.5 -> "3.5", dates "MM/DD/YY HH:MM:SS" (as exported).
  std::string ToText() const;

  bool operator==(const Value& other) const;  // same type and contents, or both null

 private:
  void Set(DataType type) { type_ = type; null_ = false; }
  [[noreturn]] void Mismatch() const;

  DataType type_ = DataType::kText;
  bool null_ = true;
  union Number {
    bool b;
    uint8_t u8;
    int16_t i16;
    int32_t i32;
    int64_t i64;
    float f;
    double d;
    Decimal dec;
    Number() : i64(0) {}
  } n_;
  std::string bytes_;
};

// The date and time parts of an OLE automation date.
struct DateParts {
  int year, month, day, hour, minute, second;
};
DateParts SplitOleDate(double ole_date);

std::string GuidToText(std::string_view bytes16);  // "{6F9619FF-8B86-D011-B42D-00C04FC964FF}"

}  // namespace tolvane::jet
