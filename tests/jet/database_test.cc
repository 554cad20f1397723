// The object model on corpus files: opening, the catalog, table definitions and table
// recordsets, and the failures the adapter relies on. Row values of every type are
// checked against two other readers by tests/compare/readers.sh.
#include <gtest/gtest.h>

#include <algorithm>

#include "corpus.h"
#include "error_of.h"
#include "jet/database.h"

namespace tolvane::jet {
namespace {

using ::tolvane::jet::testing::ErrorOf;

TEST(Database, OpensBothVersionsAndListsTablesInCatalogOrder) {
  TOLVANE_CORPUS_FILE_OR_SKIP(jet3, "jet3/testV1997.mdb");
  TOLVANE_CORPUS_FILE_OR_SKIP(jet4, "jet4/testV2000.mdb");
  auto db3 = Database::Open(jet3);
  auto db4 = Database::Open(jet4);
  EXPECT_EQ(db3->JetVersion(), 3);
  EXPECT_EQ(db4->JetVersion(), 4);
  EXPECT_EQ(db3->pager().page_size(), 2048u);
  EXPECT_EQ(db4->pager().page_size(), 4096u);
  EXPECT_EQ(db4->header().code_page, 1252);
  const std::vector<std::string> user = {"Table1", "Table2", "Table3", "Table4"};
  EXPECT_EQ(db3->TableNames(), user);
  EXPECT_EQ(db4->TableNames(), user);
  const auto all = db4->TableNames(true);
  EXPECT_NE(std::find(all.begin(), all.end(), "MSysObjects"), all.end());
  EXPECT_TRUE(db4->GetTableDef("msysobjects").is_system());
  EXPECT_FALSE(db4->GetTableDef("TABLE1").is_system());
}

TEST(Database, FailuresCarryTheEngineNumbers) {
  TOLVANE_CORPUS_FILE_OR_SKIP(path, "jet4/testV2000.mdb");
  EXPECT_EQ(ErrorOf([] { Database::Open("/nonexistent/x.mdb"); }), 3024);
  auto db = Database::Open(path);
  EXPECT_EQ(ErrorOf([&] { db->GetTableDef("NoSuch"); }), 3265);
  EXPECT_EQ(ErrorOf([&] { db->OpenTable("NoSuch"); }), 3078);
  auto rs = db->OpenTable("Table1");
  EXPECT_EQ(ErrorOf([&] { rs->ValueByName("NoSuch"); }), 3265);
  EXPECT_EQ(ErrorOf([&] { rs->FieldAt(99); }), 3265);
  while (!rs->IsEOF()) rs->MoveNext();
  EXPECT_EQ(ErrorOf([&] { rs->ValueAt(0); }), 3021);
  EXPECT_EQ(ErrorOf([&] { rs->MoveNext(); }), 3021);
}

TEST(Database, TableDefinitionGivesFieldsAsDaoReportsThem) {
  TOLVANE_CORPUS_FILE_OR_SKIP(path, "jet4/testV2000.mdb");
  auto db = Database::Open(path);
  const TableDef t = db->GetTableDef("Table1");
  struct Expected { const char* name; DataType type; int size; };
  const Expected expected[] = {
      {"A", DataType::kText, 50},    {"B", DataType::kText, 100},  {"C", DataType::kByte, 1},
      {"D", DataType::kInteger, 2},  {"E", DataType::kLong, 4},    {"F", DataType::kDouble, 8},
      {"G", DataType::kDate, 8},     {"H", DataType::kCurrency, 8}, {"I", DataType::kBoolean, 1}};
  ASSERT_EQ(t.fields().size(), std::size(expected));
  for (size_t i = 0; i < std::size(expected); ++i) {
    EXPECT_EQ(t.fields()[i].name, expected[i].name);
    EXPECT_EQ(t.fields()[i].type, expected[i].type) << expected[i].name;
    EXPECT_EQ(t.fields()[i].size, expected[i].size) << expected[i].name;
  }
  const TableDef t3 = db->GetTableDef("Table3");
  EXPECT_TRUE(t3.fields()[0].is_autonumber());
  EXPECT_FALSE(t3.fields()[1].is_autonumber());
}

TEST(Database, RequiredComesFromTheCatalogsProperties) {
  TOLVANE_CORPUS_FILE_OR_SKIP(required, "jet4/fixedTextTestV2000.mdb");
  TOLVANE_CORPUS_FILE_OR_SKIP(optional, "jet4/testV2000.mdb");
  const TableDef users = Database::Open(required)->GetTableDef("users");
  for (const auto& f : users.fields()) EXPECT_TRUE(f.required) << f.name;
  const TableDef t = Database::Open(optional)->GetTableDef("Table1");
  for (const auto& f : t.fields()) EXPECT_FALSE(f.required) << f.name;
  EXPECT_TRUE(ParseProperties("MR2", 4).empty());
  EXPECT_TRUE(ParseProperties(std::string("MR2\0\xFF\xFF\xFF\x7F\x80\x00", 10), 4).empty());
}

TEST(Database, ValuesKeepTheirTypesAndConvertToText) {
  TOLVANE_CORPUS_FILE_OR_SKIP(path, "jet4/testV2000.mdb");
  auto db = Database::Open(path);
  auto rs = db->OpenTable("Table1");
  EXPECT_EQ(rs->RecordCount(), 2);
  ASSERT_FALSE(rs->IsEOF());
  EXPECT_EQ(rs->ValueByName("a").text(), "abcdefg");
  EXPECT_EQ(rs->ValueByName("C").byte(), 2);
  EXPECT_EQ(rs->ValueByName("D").integer(), 222);
  EXPECT_EQ(rs->ValueByName("E").long_value(), 333333333);
  EXPECT_DOUBLE_EQ(rs->ValueByName("F").double_value(), 444.555);
  EXPECT_EQ(rs->ValueByName("H").currency(), 35000);
  EXPECT_TRUE(rs->ValueByName("I").boolean());
  EXPECT_EQ(rs->ValueByName("F").ToText(), "444.555");
  EXPECT_EQ(rs->ValueByName("H").ToText(), "3.5");
  EXPECT_EQ(rs->ValueByName("I").ToText(), "True");
  EXPECT_EQ(rs->ValueByName("G").ToText(), "09/21/74 00:00:00");
  EXPECT_EQ(ErrorOf([&] { rs->ValueByName("E").text(); }), 13);
  rs->MoveNext();
  EXPECT_EQ(rs->ValueByName("I").ToText(), "False");
  rs->MoveFirst();
  EXPECT_EQ(rs->ValueAt(0).text(), "abcdefg");
}

TEST(Database, DeletedColumnsLeaveGapsAndDeletedRowsAreSkipped) {
  TOLVANE_CORPUS_FILE_OR_SKIP(cols, "jet4/delColTestV2000.mdb");
  TOLVANE_CORPUS_FILE_OR_SKIP(rows, "jet4/delTestV2000.mdb");
  auto db = Database::Open(cols);
  const TableDef t = db->GetTableDef("Table1");
  std::vector<int> nums;
  for (const auto& f : t.fields()) nums.push_back(f.col_num);
  EXPECT_TRUE(std::is_sorted(nums.begin(), nums.end()));
  EXPECT_GT(t.max_cols(), t.fields().size()) << "a deleted column keeps its slot in rows";
  auto rs = db->OpenTable("Table1");
  EXPECT_EQ(rs->ValueByName("data2").text(), "foo2");

  auto db2 = Database::Open(rows);
  auto rs2 = db2->OpenTable("Table");
  long seen = 0;
  for (; !rs2->IsEOF(); rs2->MoveNext()) ++seen;
  EXPECT_EQ(seen, rs2->RecordCount());
}

TEST(Database, IndexesNameTheirColumns) {
  TOLVANE_CORPUS_FILE_OR_SKIP(path, "jet4/indexTestV2000.mdb");
  auto db = Database::Open(path);
  const TableDef t = db->GetTableDef("Table1");
  ASSERT_FALSE(t.indexes().empty());
  const Index* primary = nullptr;
  for (const auto& x : t.indexes()) {
    if (x.is_primary()) primary = &x;
  }
  ASSERT_NE(primary, nullptr);
  EXPECT_TRUE(primary->unique);
  ASSERT_EQ(primary->columns.size(), 1u);
  EXPECT_EQ(primary->columns[0].col_num, t.fields()[t.FindField("id")].col_num);
  for (const auto& p : t.physical_indexes()) EXPECT_LT(p.root_page, db->pager().page_count());
}

TEST(Database, OverflowRowsAreReadAtTheirHome) {
  TOLVANE_CORPUS_FILE_OR_SKIP(path, "jet4/overflowTestV2000.mdb");
  auto db = Database::Open(path);
  auto rs = db->OpenTable("Table1");
  std::vector<std::string> data3;
  bool moved = false;
  for (; !rs->IsEOF(); rs->MoveNext()) {
    data3.push_back(rs->ValueByName("data3").ToText());
    moved |= rs->location().page != rs->location().data_page;
  }
  EXPECT_TRUE(moved);
  EXPECT_EQ(data3, (std::vector<std::string>{"", "row2col3", "row3col3", "row4col2", "row5col2",
                                             "row6col2", ""}));
}

}  // namespace
}  // namespace tolvane::jet
