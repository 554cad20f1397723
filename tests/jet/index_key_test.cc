// Index keys against bytes Access wrote, and the order properties lookups rely on.
// The strongest check is the last: every index of every corpus file, recomputed from its
// rows, must match what Access stored.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "corpus.h"
#include "jet/error.h"
#include "jet/index_key.h"
#include "jet/index_verify.h"

namespace tolvane::jet {
namespace {

std::string Hex(const std::string& s) {
  std::string out;
  char buf[4];
  for (unsigned char c : s) {
    std::snprintf(buf, sizeof buf, "%s%02X", out.empty() ? "" : " ", c);
    out += buf;
  }
  return out;
}

std::string KeyOf(DataType type, const Value& v, bool ascending = true,
                  TextKeyOrder order = TextKeyOrder::kGeneralLegacy) {
  IndexKeyBuilder b(order);
  b.Add(type, v, ascending);
  return Hex(b.key());
}

Value Make(DataType t, double n) {
  Value v;
  switch (t) {
    case DataType::kByte: v.SetByte(static_cast<uint8_t>(n)); break;
    case DataType::kInteger: v.SetInteger(static_cast<int16_t>(n)); break;
    case DataType::kLong: v.SetLong(static_cast<int32_t>(n)); break;
    case DataType::kCurrency: v.SetCurrency(static_cast<int64_t>(n)); break;
    case DataType::kSingle: v.SetSingle(static_cast<float>(n)); break;
    case DataType::kDate: v.SetDate(n); break;
    default: v.SetDouble(n);
  }
  return v;
}

TEST(IndexKey, MatchesBytesAccessWrote) {
  struct Case {
    DataType type;
    Value value;
    bool ascending;
    TextKeyOrder order;
    const char* hex;
  } cases[] = {
      {DataType::kText, Value::Text("Tables"), true, TextKeyOrder::kGeneralLegacy, "7F 6D 4A 4C 5E 51 6B 01 00"},
      {DataType::kText, Value::Text("MSP_PROJECTS"), true, TextKeyOrder::kGeneralLegacy,
       "7F 60 6B 66 2B 03 66 69 64 5B 51 4D 6D 6B 01 00"},
      {DataType::kText, Value::Text("tables  "), true, TextKeyOrder::kGeneralLegacy, "7F 6D 4A 4C 5E 51 6B 01 00"},
      {DataType::kText, Value::Text("Tables"), true, TextKeyOrder::kGeneral97, "7F 77 60 61 6D 66 76 00"},
      {DataType::kLong, Value::Long(2), true, TextKeyOrder::kGeneralLegacy, "7F 80 00 00 02"},
      {DataType::kLong, Value::Long(0x0F000001), true, TextKeyOrder::kGeneralLegacy, "7F 8F 00 00 01"},
      {DataType::kLong, Value::Long(static_cast<int32_t>(0x80000000u)), true, TextKeyOrder::kGeneralLegacy, "7F 00 00 00 00"},
      {DataType::kLong, Value::Long(19), false, TextKeyOrder::kGeneralLegacy, "80 7F FF FF EC"},
      {DataType::kLong, Value::Null(DataType::kLong), true, TextKeyOrder::kGeneralLegacy, "00"},
      {DataType::kLong, Value::Null(DataType::kLong), false, TextKeyOrder::kGeneralLegacy, "FF"},
      {DataType::kBoolean, Value::Boolean(true), true, TextKeyOrder::kGeneralLegacy, "00"},
      {DataType::kBoolean, Value::Boolean(false), true, TextKeyOrder::kGeneralLegacy, "FF"},
      {DataType::kDouble, Value::Double(1.0), true, TextKeyOrder::kGeneralLegacy, "7F BF F0 00 00 00 00 00 00"},
      {DataType::kDouble, Value::Double(-1.0), true, TextKeyOrder::kGeneralLegacy, "7F 40 0F FF FF FF FF FF FF"},
      // Hyphens sort after the word: listed with the count of characters before them.
      {DataType::kText, Value::Text("a-b"), true, TextKeyOrder::kGeneralLegacy,
       "7F 4A 4C 01 01 01 01 80 0B 06 82 00"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(KeyOf(c.type, c.value, c.ascending, c.order), c.hex) << c.value.ToText();
  }
}

TEST(IndexKey, NumbersSortLikeTheirValues) {
  std::mt19937 rng(7);
  for (DataType t : {DataType::kByte, DataType::kInteger, DataType::kLong, DataType::kCurrency,
                     DataType::kSingle, DataType::kDouble, DataType::kDate}) {
    std::vector<double> values = {0, 1, 2, 100, 255};
    if (t != DataType::kByte) {
      for (double v : {-1.0, -2.0, -30000.0, 30000.0, -0.5, 0.25}) values.push_back(v);
    }
    if (t == DataType::kByte || t == DataType::kInteger || t == DataType::kLong || t == DataType::kCurrency) {
      values.erase(std::remove_if(values.begin(), values.end(), [](double v) { return v != static_cast<int>(v); }), values.end());
    }
    std::sort(values.begin(), values.end());
    for (bool asc : {true, false}) {
      std::vector<std::string> keys;
      for (double v : values) {
        IndexKeyBuilder b(TextKeyOrder::kGeneralLegacy);
        b.Add(t, Make(t, v), asc);
        keys.push_back(b.key());
      }
      for (size_t i = 1; i < keys.size(); ++i) {
        EXPECT_EQ(asc, keys[i - 1] < keys[i]) << DataTypeName(t) << " " << values[i - 1] << " vs " << values[i];
      }
    }
  }
}

TEST(IndexKey, TextFoldsCaseAndRefusesUnknownCharacters) {
  EXPECT_EQ(KeyOf(DataType::kText, Value::Text("Name_1")), KeyOf(DataType::kText, Value::Text("nAME_1")));
  EXPECT_LT(KeyOf(DataType::kText, Value::Text("abc")), KeyOf(DataType::kText, Value::Text("abd")));
  EXPECT_LT(KeyOf(DataType::kText, Value::Text("ab")), KeyOf(DataType::kText, Value::Text("abc")));
  std::string long_text(300, 'x');
  EXPECT_EQ(KeyOf(DataType::kText, Value::Text(long_text)),
            KeyOf(DataType::kText, Value::Text(std::string(255, 'x') + "yyy")));
  try {
    KeyOf(DataType::kText, Value::Text("caf\xC3\xA9"));
    FAIL() << "a character without a known sort code was keyed";
  } catch (const Error& e) {
    EXPECT_EQ(e.number(), 3251);
  }
  EXPECT_THROW(KeyOf(DataType::kMemo, Value::Text("x")), Error);
}

// Every index of every table (the catalog's own included) of every Access-made file:
// the keys this engine computes from the rows are the keys Access stored, in its order.
TEST(IndexKey, EveryCorpusIndexMatchesItsRows) {
  if (testing::CorpusFile("jet4/empty.mdb").empty()) GTEST_SKIP() << "corpus not found in " << testing::CorpusDir();
  int files = 0;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(testing::CorpusDir())) {
    if (entry.path().extension() != ".mdb") continue;
    ++files;
    IndexCheckResult r = CheckAllIndexes(entry.path().string());
    EXPECT_GT(r.indexes_checked, 0) << entry.path();
    for (const auto& p : r.problems) ADD_FAILURE() << entry.path().filename() << ": " << p;
  }
  EXPECT_GE(files, 19);
}

}  // namespace
}  // namespace tolvane::jet
