// The query language on corpus tables: selection, ordering, Access's comparison rules and
// the failures, as a table of cases. indexTest's Table1 holds
//   id otherfk1 otherfk2 data      (id, otherfk1, otherfk2, data, otherfk3)
//   0  0        10       "baz0"
//   1  1        11       "baz11"
//   2  1        11       "baz11-2"
//   3  2        13       "baz13"
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "corpus.h"
#include "jet/database.h"

namespace tolvane::jet {
namespace {

struct QueryCase {
  const char* file;
  const char* sql;
  const char* column;  // whose values (as text, "<null>" for null) are expected, in order
  std::vector<std::string> expected;
  int error = 0;       // expected failure number instead
};

void PrintTo(const QueryCase& c, std::ostream* os) { *os << c.file << ": " << c.sql; }

std::vector<std::string> Column(Recordset& rs, const char* column) {
  std::vector<std::string> out;
  for (; !rs.IsEOF(); rs.MoveNext()) {
    const Value& v = rs.ValueByName(column);
    out.push_back(v.is_null() ? "<null>" : v.ToText());
  }
  return out;
}

class QueryCases : public ::testing::TestWithParam<QueryCase> {};

TEST_P(QueryCases, GivesRowsOrFailure) {
  const QueryCase& c = GetParam();
  TOLVANE_CORPUS_FILE_OR_SKIP(path, c.file);
  auto db = Database::Open(path);
  if (c.error) {
    try {
      db->OpenQuery(c.sql);
      FAIL() << "expected failure " << c.error;
    } catch (const Error& e) {
      EXPECT_EQ(e.number(), c.error) << e.what();
    }
    return;
  }
  auto rs = db->OpenQuery(c.sql);
  EXPECT_EQ(rs->RecordCount(), static_cast<long>(c.expected.size()));
  EXPECT_EQ(Column(*rs, c.column), c.expected);
}

constexpr const char* kIndex4 = "jet4/indexTestV2000.mdb";
constexpr const char* kIndex3 = "jet3/indexTestV1997.mdb";
constexpr const char* kTypes4 = "jet4/testV2000.mdb";
constexpr const char* kOverflow4 = "jet4/overflowTestV2000.mdb";

INSTANTIATE_TEST_SUITE_P(
    Selection, QueryCases,
    ::testing::Values(
        QueryCase{kIndex4, "SELECT Table1.* From Table1 ORDER BY Table1.id", "id", {"0", "1", "2", "3"}},
        QueryCase{kIndex3, "SELECT Table1.* From Table1 ORDER BY Table1.id", "id", {"0", "1", "2", "3"}},
        QueryCase{kIndex4, "SELECT Table1.* FROM Table1 ORDER BY Table1.data DESC", "id", {"3", "2", "1", "0"}},
        QueryCase{kIndex4, "SELECT Table1.* From Table1 WHERE (((Table1.data)=\"BAZ11\"))", "id", {"1"}},
        QueryCase{kIndex4, "SELECT Table1.* From Table1 WHERE Table1.data = 'baz11   '", "id", {"1"}},
        QueryCase{kIndex4, "SELECT Table1.* From Table1 WHERE Table1.data <> 'Baz11'", "id", {"0", "2", "3"}},
        QueryCase{kIndex4,
                  "SELECT Table1.id, Table1.data From Table1  WHERE (((Table1.otherfk1)=1) AND "
                  "((Table1.otherfk2)=11)  AND ((Table1.data)=\"baz11-2\"));",
                  "id", {"2"}},
        QueryCase{kIndex4, "SELECT * FROM Table1 WHERE otherfk1 = 1 OR id = 3", "id", {"1", "2", "3"}},
        QueryCase{kIndex4, "SELECT * FROM Table1 WHERE NOT (otherfk1 = 1)", "id", {"0", "3"}},
        QueryCase{kIndex4, "SELECT * FROM Table1 WHERE NOT otherfk1 = 1 AND id > 0", "id", {"3"}},
        QueryCase{kIndex4, "SELECT * FROM Table1 WHERE data > 'BAZ11' AND data <= 'baz13'", "id", {"2", "3"}},
        QueryCase{kIndex4, "SELECT * FROM Table1 WHERE id >= 1 AND id < 3", "id", {"1", "2"}},
        QueryCase{kIndex4, "SELECT * FROM Table1 WHERE otherfk2 > 10.5", "id", {"1", "2", "3"}},
        QueryCase{kIndex4, "SELECT * FROM Table1 WHERE id = -1 OR id = +0", "id", {"0"}},
        QueryCase{kIndex4, "select table1.ID from TABLE1 where [TABLE1].[Data]='baz0'", "id", {"0"}},
        QueryCase{kIndex4, "SELECT * FROM [Table1] WHERE data = 'it''s' OR data = \"ba\"\"z\"", "id", {}},
        QueryCase{kIndex4, "SELECT * FROM Table1 WHERE data IS NULL", "id", {}},
        QueryCase{kIndex4, "SELECT * FROM Table1 WHERE data IS NOT NULL AND id=0", "id", {"0"}},
        QueryCase{kIndex4, "SELECT * FROM Table1 ORDER BY otherfk1 DESC, id", "id", {"3", "1", "2", "0"}},
        QueryCase{kIndex4, "SELECT * FROM Table1 ORDER BY otherfk2, data DESC;", "id", {"0", "2", "1", "3"}}));

// Null is unknown: neither it nor its negation selects a row.
INSTANTIATE_TEST_SUITE_P(
    NullAndTypes, QueryCases,
    ::testing::Values(
        QueryCase{kIndex4, "SELECT * FROM Table1 WHERE otherfk1 = Null", "id", {}},
        QueryCase{kIndex4, "SELECT * FROM Table1 WHERE NOT (otherfk1 = Null)", "id", {}},
        QueryCase{kIndex4, "SELECT * FROM Table1 WHERE otherfk1 = Null OR id = 0", "id", {"0"}},
        QueryCase{kOverflow4, "SELECT * FROM Table1 WHERE data1 <> 'x'", "data1",
                  {"row1col1", "row2col1", "row4col1", "row7col1"}},
        QueryCase{kOverflow4, "SELECT * FROM Table1 WHERE NOT (data1 = 'x')", "data1",
                  {"row1col1", "row2col1", "row4col1", "row7col1"}},
        // Nulls sort first and ties keep storage order (rows 3, 5 and 6 have no data1).
        QueryCase{kOverflow4, "SELECT * FROM Table1 ORDER BY Table1.data1", "data3",
                  {"row3col3", "row5col2", "row6col2", "<null>", "row2col3", "row4col2", "<null>"}},
        QueryCase{kOverflow4, "SELECT * FROM Table1 ORDER BY Table1.data1 DESC", "data1",
                  {"row7col1", "row4col1", "row2col1", "row1col1", "<null>", "<null>", "<null>"}},
        QueryCase{kTypes4, "SELECT * FROM Table1 WHERE I = True", "A", {"abcdefg"}},
        QueryCase{kTypes4, "SELECT * FROM Table1 WHERE I = -1", "A", {"abcdefg"}},
        QueryCase{kTypes4, "SELECT * FROM Table1 WHERE I", "A", {"abcdefg"}},
        QueryCase{kTypes4, "SELECT * FROM Table1 WHERE NOT I", "A", {"a"}},
        QueryCase{kTypes4, "SELECT * FROM Table1 WHERE H = 3.5 AND F = 444.555", "A", {"abcdefg"}},
        QueryCase{kTypes4, "SELECT * FROM Table1 WHERE G > 28000", "A", {"a"}},
        QueryCase{kTypes4, "SELECT * FROM Table1 WHERE C = 2 AND D = 222 AND E = 333333333", "A", {"abcdefg"}}));

INSTANTIATE_TEST_SUITE_P(
    Failures, QueryCases,
    ::testing::Values(
        QueryCase{kIndex4, "SELECT * FROM Table1 WHERE otherfk1 = \"1\"", "", {}, 3464},
        QueryCase{kIndex4, "SELECT * FROM Table1 WHERE data = 1", "", {}, 3464},
        QueryCase{kTypes4, "SELECT * FROM Table1 WHERE A", "", {}, 3464},
        QueryCase{kIndex4, "SELECT * FROM Table1 WHERE nosuch = 1", "", {}, 3061},
        QueryCase{kIndex4, "SELECT Table1.nosuch, Table1.other FROM Table1", "", {}, 3061},
        QueryCase{kIndex4, "SELECT * FROM Table1 WHERE Table2.id = 1", "", {}, 3061},
        QueryCase{kIndex4, "SELECT * FROM Table1 ORDER BY nosuch", "", {}, 3061},
        QueryCase{kIndex4, "SELECT * FROM NoSuchTable", "", {}, 3078},
        QueryCase{kIndex4, "SELECT * FROM Table1 WHERE data = 'x' AND", "", {}, 3075},
        QueryCase{kIndex4, "SELECT * FROM Table1 WHERE data = 'x", "", {}, 3075},
        QueryCase{kIndex4, "SELECT * FROM Table1 WHERE (data = 'x'", "", {}, 3075},
        QueryCase{kIndex4, "SELECT * FROM Table1 WHERE data 'x'", "", {}, 3075},
        QueryCase{kIndex4, "SELECT * FROM Table1 WHERE data == 'x'", "", {}, 3075},
        QueryCase{kIndex4, "SELECT * FROM Table1 WHERE id IS 3", "", {}, 3075},
        QueryCase{kIndex4, "SELECT * FROM Table1 WHERE", "", {}, 3075},
        QueryCase{kIndex4, "SELECT * FROM Table1 ORDER BY", "", {}, 3138},
        QueryCase{kIndex4, "SELECT * FROM Table1 ORDER id", "", {}, 3138},
        QueryCase{kIndex4, "SELEC * FROM Table1", "", {}, 3129},
        QueryCase{kIndex4, "", "", {}, 3129},
        QueryCase{kIndex4, "SELECT * FROM Table1; x", "", {}, 3142},
        QueryCase{kIndex4, "SELECT * FROM", "", {}, 3131},
        QueryCase{kIndex4, "SELECT * FROM Table1 t", "", {}, 3131},
        QueryCase{kIndex4, "SELECT FROM Table1", "", {}, 3141},
        QueryCase{kIndex4, "SELECT * Table1", "", {}, 3141}));

TEST(Query, ProjectsNamedColumnsInTheirOrder) {
  TOLVANE_CORPUS_FILE_OR_SKIP(path, kIndex4);
  auto db = Database::Open(path);
  auto rs = db->OpenQuery("SELECT Table1.data, Table1.ID FROM Table1 WHERE Table1.id = 3");
  ASSERT_EQ(rs->FieldCount(), 2);
  EXPECT_EQ(rs->FieldAt(0).name, "data");
  EXPECT_EQ(rs->FieldAt(1).name, "id");
  EXPECT_EQ(rs->ValueAt(0).text(), "baz13");
  EXPECT_EQ(rs->ValueAt(1).long_value(), 3);
  EXPECT_THROW(rs->ValueByName("otherfk1"), Error);
  // The dynaset remembers where each row lives, for edits.
  EXPECT_EQ(rs->location().page, rs->location().data_page);
  rs->MoveNext();
  EXPECT_TRUE(rs->IsEOF());
  try {
    rs->ValueAt(0);
    FAIL();
  } catch (const Error& e) {
    EXPECT_EQ(e.number(), 3021);
  }
}

TEST(Query, SyntaxErrorQuotesTheCondition) {
  TOLVANE_CORPUS_FILE_OR_SKIP(path, kIndex4);
  auto db = Database::Open(path);
  try {
    db->OpenQuery("SELECT * FROM Table1 WHERE data = 'x' id = 1 ORDER BY id");
    FAIL();
  } catch (const Error& e) {
    EXPECT_EQ(e.number(), 3075);
    EXPECT_STREQ(e.what(), "Syntax error (missing operator) in query expression 'data = 'x' id = 1'.");
  }
}

}  // namespace
}  // namespace tolvane::jet
