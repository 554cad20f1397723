#include "jet/index_key.h"

#include <cstdio>
#include <cstring>
#include <vector>

#include "jet/error.h"

namespace tolvane::jet {
namespace {

constexpr uint8_t kAscendingFlag = 0x7F;
constexpr uint8_t kDescendingFlag = 0x80;
constexpr uint8_t kAscendingNull = 0x00;
constexpr uint8_t kDescendingNull = 0xFF;
constexpr size_t kMaxKeyCharacters = 255;

// "General legacy" sort codes of printable ASCII (0x20..0x7E). Zero: not inline (hyphen
// and apostrophe sort after their word, see AddLegacyText); one byte or two (0x2B xx).
struct LegacyCode {
  uint8_t first, second;
};
constexpr LegacyCode kLegacyCodes[95] = {
    {0x07, 0},    {0x09, 0},    {0x0A, 0},    {0x0C, 0},    {0x0E, 0},  // space ! " # $
    {0x10, 0},    {0x12, 0},    {0, 0},       {0x14, 0},    {0x16, 0},  // % & ' ( )
    {0x18, 0},    {0x2C, 0},    {0x1A, 0},    {0, 0},       {0x1C, 0},  // * + , - .
    {0x1E, 0},                                                          // /
    {0x36, 0},    {0x38, 0},    {0x3A, 0},    {0x3C, 0},    {0x3E, 0},  // 0-4
    {0x40, 0},    {0x42, 0},    {0x44, 0},    {0x46, 0},    {0x48, 0},  // 5-9
    {0x20, 0},    {0x22, 0},    {0x2E, 0},    {0x30, 0},    {0x32, 0},  // : ; < = >
    {0x24, 0},    {0x26, 0},                                            // ? @
    {0x4A, 0},    {0x4C, 0},    {0x4D, 0},    {0x4F, 0},    {0x51, 0},  // A-E
    {0x53, 0},    {0x55, 0},    {0x57, 0},    {0x59, 0},    {0x5B, 0},  // F-J
    {0x5C, 0},    {0x5E, 0},    {0x60, 0},    {0x62, 0},    {0x64, 0},  // K-O
    {0x66, 0},    {0x68, 0},    {0x69, 0},    {0x6B, 0},    {0x6D, 0},  // P-T
    {0x6F, 0},    {0x71, 0},    {0x73, 0},    {0x75, 0},    {0x76, 0},  // U-Y
    {0x78, 0},                                                          // Z
    {0x27, 0},    {0x29, 0},    {0x2A, 0},    {0x2B, 0x02}, {0x2B, 0x03},  // [ \ ] ^ _
    {0x2B, 0x07},                                                          // `
    {0x4A, 0},    {0x4C, 0},    {0x4D, 0},    {0x4F, 0},    {0x51, 0},  // a-e
    {0x53, 0},    {0x55, 0},    {0x57, 0},    {0x59, 0},    {0x5B, 0},  // f-j
    {0x5C, 0},    {0x5E, 0},    {0x60, 0},    {0x62, 0},    {0x64, 0},  // k-o
    {0x66, 0},    {0x68, 0},    {0x69, 0},    {0x6B, 0},    {0x6D, 0},  // p-t
    {0x6F, 0},    {0x71, 0},    {0x73, 0},    {0x75, 0},    {0x76, 0},  // u-y
    {0x78, 0},                                                          // z
    {0x2B, 0x09}, {0x2B, 0x0B}, {0x2B, 0x0D}, {0x2B, 0x0F},             // { | } ~
};

// "General 97" codes of letters A..Z; digits are 0x56..0x5F.
constexpr uint8_t k97Letters[26] = {0x60, 0x61, 0x62, 0x64, 0x66, 0x67, 0x68, 0x69, 0x6A,
                                    0x6B, 0x6C, 0x6D, 0x6F, 0x70, 0x72, 0x73, 0x74, 0x75,
                                    0x76, 0x77, 0x78, 0x7A, 0x7B, 0x7C, 0x7D, 0x7E};

[[noreturn]] void Unkeyable(const std::string& why) {
  throw Error(3251, "Operation is not supported for this type of object.", "DAO.Database",
              "index key: " + why);
}

// Code points of UTF-8 text; bad sequences cannot be keyed.
std::vector<char32_t> DecodeUtf8(std::string_view s) {
  std::vector<char32_t> out;
  out.reserve(s.size());
  for (size_t i = 0; i < s.size();) {
    uint8_t b = static_cast<uint8_t>(s[i]);
    int extra = b < 0x80 ? 0 : (b & 0xE0) == 0xC0 ? 1 : (b & 0xF0) == 0xE0 ? 2 : (b & 0xF8) == 0xF0 ? 3 : -1;
    if (extra < 0) Unkeyable("text is not valid UTF-8");
    char32_t c = extra == 0 ? b : b & (0x3F >> extra);
    for (int k = 1; k <= extra; ++k) {
      if (i + k >= s.size()) Unkeyable("text is not valid UTF-8");
      c = (c << 6) | (static_cast<uint8_t>(s[i + k]) & 0x3F);
    }
    out.push_back(c);
    i += extra + 1;
  }
  return out;
}

// Text as keyed: trailing blanks do not count, and only the first 255 characters do.
std::vector<char32_t> KeyCharacters(std::string_view utf8) {
  std::vector<char32_t> chars = DecodeUtf8(utf8);
  while (!chars.empty() && chars.back() == U' ') chars.pop_back();
  if (chars.size() > kMaxKeyCharacters) chars.resize(kMaxKeyCharacters);
  return chars;
}

std::string Describe(char32_t c) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "U+%04X", static_cast<unsigned>(c));
  return buf;
}

}  // namespace

bool IsKeyableType(DataType type) {
  switch (type) {
    case DataType::kBoolean:
    case DataType::kByte:
    case DataType::kInteger:
    case DataType::kLong:
    case DataType::kCurrency:
    case DataType::kSingle:
    case DataType::kDouble:
    case DataType::kDate:
    case DataType::kText:
      return true;
    default:
      return false;
  }
}

void IndexKeyBuilder::Add(DataType type, const Value& value, bool ascending) {
  if (type == DataType::kBoolean) {
    // A Boolean is its flag byte alone; Jet has no null Boolean (it is stored as false).
    bool b = !value.is_null() && value.boolean();
    key_.push_back(static_cast<char>(b == ascending ? 0x00 : 0xFF));
    return;
  }
  if (value.is_null()) {
    key_.push_back(static_cast<char>(ascending ? kAscendingNull : kDescendingNull));
    return;
  }
  switch (type) {
    case DataType::kByte:
      key_.push_back(static_cast<char>(ascending ? kAscendingFlag : kDescendingFlag));
      key_.push_back(static_cast<char>(ascending ? value.byte() : ~value.byte()));
      return;
    case DataType::kInteger:
      AddBigEndian(static_cast<uint16_t>(value.integer()) ^ 0x8000u, 2, ascending);
      return;
    case DataType::kLong:
      AddBigEndian(static_cast<uint32_t>(value.long_value()) ^ 0x80000000u, 4, ascending);
      return;
    case DataType::kCurrency:
      AddBigEndian(static_cast<uint64_t>(value.currency()) ^ (uint64_t{1} << 63), 8, ascending);
      return;
    case DataType::kSingle: {
      float f = value.single();
      uint32_t bits;
      std::memcpy(&bits, &f, 4);
      bits = (bits & 0x80000000u) ? ~bits : bits ^ 0x80000000u;
      AddBigEndian(bits, 4, ascending);
      return;
    }
    case DataType::kDouble:
    case DataType::kDate: {
      double d = type == DataType::kDate ? value.date() : value.double_value();
      uint64_t bits;
      std::memcpy(&bits, &d, 8);
      uint64_t sign = uint64_t{1} << 63;
      bits = (bits & sign) ? ~bits : bits ^ sign;
      AddBigEndian(bits, 8, ascending);
      return;
    }
    case DataType::kText:
      AddText(value.text(), ascending);
      return;
    default:
      Unkeyable(std::string("columns of type ") + DataTypeName(type) + " cannot be keyed");
  }
}

void IndexKeyBuilder::AddBigEndian(uint64_t bits, int bytes, bool ascending) {
  key_.push_back(static_cast<char>(ascending ? kAscendingFlag : kDescendingFlag));
  for (int i = bytes - 1; i >= 0; --i) {
    uint8_t b = static_cast<uint8_t>(bits >> (8 * i));
    key_.push_back(static_cast<char>(ascending ? b : static_cast<uint8_t>(~b)));
  }
}

void IndexKeyBuilder::AddText(std::string_view utf8, bool ascending) {
  key_.push_back(static_cast<char>(ascending ? kAscendingFlag : kDescendingFlag));
  size_t start = key_.size();
  if (order_ == TextKeyOrder::kGeneralLegacy) {
    AddLegacyText(utf8);
  } else {
    Add97Text(utf8);
  }
  if (!ascending) {
    for (size_t i = start; i < key_.size(); ++i) key_[i] = static_cast<char>(~key_[i]);
  }
}

void IndexKeyBuilder::AddLegacyText(std::string_view utf8) {
  // Hyphens and apostrophes do not sort where they stand: they are listed after the
  // text, each with the number of sorting characters before it.
  std::string trailing;
  size_t position = 0;
  for (char32_t c : KeyCharacters(utf8)) {
    if (c < 0x20 || c > 0x7E) Unkeyable("character " + Describe(c) + " has no known sort code");
    if (c == U'-' || c == U'\'') {
      uint16_t where = static_cast<uint16_t>(0x8000 | (7 + 4 * position));
      trailing.push_back(static_cast<char>(where >> 8));
      trailing.push_back(static_cast<char>(where & 0xFF));
      trailing.push_back(0x06);
      trailing.push_back(static_cast<char>(c == U'-' ? 0x82 : 0x80));
      continue;
    }
    const LegacyCode& code = kLegacyCodes[c - 0x20];
    key_.push_back(static_cast<char>(code.first));
    if (code.second != 0) key_.push_back(static_cast<char>(code.second));
    ++position;
  }
  key_.push_back(0x01);
  if (!trailing.empty()) {
    key_.append("\x01\x01\x01", 3);
    key_.append(trailing);
  }
  key_.push_back(0x00);
}

void IndexKeyBuilder::Add97Text(std::string_view utf8) {
  for (char32_t c : KeyCharacters(utf8)) {
    uint8_t code = 0;
    if (c >= U'0' && c <= U'9') code = static_cast<uint8_t>(0x56 + (c - U'0'));
    else if (c >= U'A' && c <= U'Z') code = k97Letters[c - U'A'];
    else if (c >= U'a' && c <= U'z') code = k97Letters[c - U'a'];
    else if (c == U' ') code = 0x11;
    else if (c == U'-') code = 0x1E;
    else if (c == U'_') code = 0x2C;
    else Unkeyable("character " + Describe(c) + " has no known General 97 sort code");
    key_.push_back(static_cast<char>(code));
  }
  key_.push_back(0x00);
}

}  // namespace tolvane::jet
