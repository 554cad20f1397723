// Conversions the corpus exercises only lightly: text encodings, OLE dates, Numeric and the
// platform-style text of values.
#include <gtest/gtest.h>

#include <vector>

#include "jet/text.h"
#include "jet/value.h"

namespace tolvane::jet {
namespace {

std::string Jet4(const std::vector<uint8_t>& bytes) {
  std::string out;
  AppendJet4Text(bytes.data(), bytes.size(), out);
  return out;
}

TEST(Text, Jet4FormsDecodeToUtf8) {
  EXPECT_EQ(Jet4({'a', 0, 'b', 0}), "ab");
  // Compressed: one byte a character, a 00 switches to two bytes a character and back.
  EXPECT_EQ(Jet4({0xFF, 0xFE, 'a', 'b', 0x00, 0xAC, 0x20, 0x00, 'c'}), "ab\xE2\x82\xAC" "c");
  EXPECT_EQ(Jet4({0xFF, 0xFE, 0xE9}), "\xC3\xA9");                    // é as one byte
  EXPECT_EQ(Jet4({0x3D, 0xD8, 0x00, 0xDE}), "\xF0\x9F\x98\x80");      // a surrogate pair
  std::string cp;
  const uint8_t high[] = {0x80, 0xE9, 0x9F};
  AppendCodePageText(high, 3, 1252, cp);
  EXPECT_EQ(cp, "\xE2\x82\xAC\xC3\xA9\xC5\xB8");  // € é Ÿ
}

TEST(Text, ComparesWithoutCase) {
  EXPECT_EQ(CompareTextNoCase("Abc", "aBC"), 0);
  EXPECT_LT(CompareTextNoCase("abc", "ABD"), 0);
  EXPECT_LT(CompareTextNoCase("ab", "abc"), 0);
  EXPECT_EQ(CompareTextNoCase("\xC3\x89t\xC3\xA9", "\xC3\xA9T\xC3\x89"), 0);  // Été / éTÉ
}

TEST(Value, OleDatesSplitAsThePlatformDoes) {
  struct Case { double date; const char* text; };
  const Case cases[] = {
      {0.0, "12/30/99 00:00:00"},       // the epoch, 1899-12-30
      {36526.5, "01/01/00 12:00:00"},   // 2000-01-01 noon
      {-1.25, "12/29/99 06:00:00"},     // before the epoch the fraction still counts forward
      {27293.0, "09/21/74 00:00:00"},
      {36526.999999999, "01/02/00 00:00:00"},  // rounds to the next day
      {2958465.0, "12/31/99 00:00:00"},  // 9999-12-31
  };
  for (const auto& c : cases) {
    Value v;
    v.SetDate(c.date);
    EXPECT_EQ(v.ToText(), c.text) << c.date;
  }
  const DateParts p = SplitOleDate(-1.25);
  EXPECT_EQ(p.year, 1899);
  EXPECT_EQ(p.day, 29);
}

TEST(Value, TextInThePlatformsStyle) {
  Value v;
  EXPECT_EQ(v.ToText(), "");
  v.SetDouble(2.5);
  EXPECT_EQ(v.ToText(), "2.5");
  v.SetDouble(0.1 + 0.2);
  EXPECT_EQ(v.ToText(), "0.3");
  v.SetSingle(444.555f);
  EXPECT_EQ(v.ToText(), "444.555");
  v.SetCurrency(-12345);
  EXPECT_EQ(v.ToText(), "-1.2345");
  v.SetCurrency(30000);
  EXPECT_EQ(v.ToText(), "3");
  v.SetBoolean(false);
  EXPECT_EQ(v.ToText(), "False");
  const uint8_t guid[16] = {0xA0, 0x6C, 0x09, 0x8F, 0x16, 0xFC, 0x88, 0x42,
                            0x80, 0x1E, 0x11, 0x9F, 0x26, 0xC0, 0xB6, 0xFC};
  v.SetGuid(guid);
  EXPECT_EQ(v.ToText(), "{8F096CA0-FC16-4288-801E-119F26C0B6FC}");
  v.SetNull(DataType::kLong);
  EXPECT_TRUE(v.is_null());
  EXPECT_EQ(v.type(), DataType::kLong);
  EXPECT_EQ(v, Value::Null());
  EXPECT_NE(Value::Long(1), Value::Double(1));
}

TEST(Value, DecimalKeepsScaleAndAllNinetySixBits) {
  Decimal d;
  d.scale = 2;
  d.low = 1250;
  EXPECT_EQ(d.ToString(), "12.50");
  d.negative = true;
  d.low = 5;
  d.scale = 3;
  EXPECT_EQ(d.ToString(), "-0.005");
  Decimal big;
  big.high = 0xFFFFFFFF;
  big.low = ~uint64_t{0};
  EXPECT_EQ(big.ToString(), "79228162514264337593543950335");  // 2^96 - 1
  const Decimal one_and_a_half{false, 18, 1, 0, 15};
  EXPECT_DOUBLE_EQ(one_and_a_half.ToDouble(), 1.5);
}

}  // namespace
}  // namespace tolvane::jet
