// Writing, checked the way Access and other readers will see it. On a copy of every Jet 4
// corpus file: create a table of every column type, insert rows (extremes of every
// number, nulls, long texts, memos and OLE values over several pages), update rows so that
// some grow and move, rename a column, drop the table. After every step every index of
// every table must match its rows, mdb-reader, mdb-export and this engine's reader must read
// back exactly what was written, and the file's other tables must be unchanged.
#include <gtest/gtest.h>

#include <filesystem>

#include "corpus.h"
#include "jet/create_database.h"
#include "jet/database.h"
#include "jet/error.h"
#include "jet/index_verify.h"
#include "jet/table_scan.h"
#include "jet/write_database.h"
#include "write_readers.h"

namespace tolvane::jet {
namespace {

namespace fs = std::filesystem;
using testing::Rows;

class Scratch {
 public:
  explicit Scratch(const std::string& source) {
    dir_ = fs::temp_directory_path() / ("jet_write_" + std::to_string(getpid()) + "_" +
                                        fs::path(source).stem().string());
    fs::create_directories(dir_);
    path_ = (dir_ / fs::path(source).filename()).string();
    fs::copy_file(source, path_, fs::copy_options::overwrite_existing);
    fs::permissions(path_, fs::perms::owner_read | fs::perms::owner_write);
  }
  ~Scratch() {
    std::error_code ec;
    fs::remove_all(dir_, ec);
  }
  const std::string& path() const { return path_; }

 private:
  fs::path dir_;
  std::string path_;
};

Field MakeField(const char* name, DataType type, int size = 0, uint8_t flags = 0) {
  Field f;
  f.name = name;
  f.type = type;
  f.size = size;
  f.flags = flags;
  return f;
}

std::vector<Field> EveryType() {
  return {MakeField("ID", DataType::kLong, 0, kColumnAutoNumber), MakeField("Flag", DataType::kBoolean),
          MakeField("Tiny", DataType::kByte),     MakeField("Small", DataType::kInteger),
          MakeField("Big", DataType::kLong),      MakeField("Money", DataType::kCurrency),
          MakeField("Real", DataType::kSingle),   MakeField("Wide", DataType::kDouble),
          MakeField("When", DataType::kDate),     MakeField("Raw", DataType::kBinary, 50),
          MakeField("Label", DataType::kText, 255), MakeField("Blob", DataType::kLongBinary),
          MakeField("Notes", DataType::kMemo),    MakeField("Key", DataType::kGuid)};
}

std::vector<Value> Row(std::initializer_list<const char*> texts) {
  std::vector<Value> row;
  for (const char* t : texts) {
    Value v;
    if (t) v.SetText(t);
    row.push_back(v);
  }
  return row;
}

Value Bytes(const std::string& b) {
  Value v;
  v.SetBinary(reinterpret_cast<const uint8_t*>(b.data()), b.size());
  return v;
}

// What every reader must agree on after a step.
struct Expected {
  std::vector<Field> fields;                // as the table has them
  std::vector<std::vector<Value>> rows;     // coerced values, storage order
};

Rows Canonical(const Expected& e) {
  Rows rows;
  for (const auto& r : e.rows) {
    std::vector<std::string> row;
    for (size_t i = 0; i < r.size(); ++i) row.push_back(testing::Canonical(e.fields[i], r[i]));
    rows.push_back(row);
  }
  return rows;
}

Rows Sorted(Rows r) {
  std::sort(r.begin(), r.end());
  return r;
}

std::string Clip(const std::string& s) { return s.size() > 60 ? s.substr(0, 60) + "...(" + std::to_string(s.size()) + ")" : s; }

// The first cell where two readings differ, or "" when they agree.
std::string FirstDifference(const Rows& got, const Rows& want) {
  if (got.size() != want.size()) return std::to_string(got.size()) + " rows, expected " + std::to_string(want.size());
  for (size_t r = 0; r < got.size(); ++r) {
    if (got[r].size() != want[r].size()) return "row " + std::to_string(r) + ": column count differs";
    for (size_t c = 0; c < got[r].size(); ++c) {
      if (got[r][c] != want[r][c]) {
        return "row " + std::to_string(r) + " column " + std::to_string(c) + ": '" + Clip(got[r][c]) +
               "', expected '" + Clip(want[r][c]) + "'";
      }
    }
  }
  return "";
}

// The other tables of the file as each reader sees them, to compare before and after.
struct Snapshot {
  std::map<std::string, Rows> ours, mdb_reader;
};

Snapshot TakeSnapshot(const std::string& path, const std::string& except) {
  Snapshot s;
  auto db = Database::Open(path);
  for (const auto& name : db->TableNames(true)) {
    if (FoldName(name) == FoldName(except)) continue;
    s.ours[name] = testing::RowsFromOurReader(path, name);
    if (name.rfind("MSys", 0) != 0) {
      s.mdb_reader[name] = testing::RowsFromMdbReader(path, name, db->GetTableDef(name).fields());
    }
  }
  return s;
}

void CheckFile(const std::string& path, const std::string& table, const Expected* expected,
               const Snapshot& before, const std::string& step) {
  SCOPED_TRACE(fs::path(path).filename().string() + ", after " + step);
  IndexCheckResult check = CheckAllIndexes(path);
  for (const auto& p : check.problems) ADD_FAILURE() << p;

  auto db = Database::Open(path);
  const auto names = db->TableNames(false);
  const bool present = std::find(names.begin(), names.end(), table) != names.end();
  const auto theirs = testing::TablesFromMdbReader(path);
  EXPECT_EQ(present, std::find(theirs.begin(), theirs.end(), table) != theirs.end());
  EXPECT_EQ(present, expected != nullptr);
  if (expected && present) {
    TableDef def = db->GetTableDef(table);
    EXPECT_EQ(def.row_count(), expected->rows.size());
    ASSERT_EQ(def.fields().size(), expected->fields.size());
    for (size_t i = 0; i < def.fields().size(); ++i) {
      EXPECT_EQ(def.fields()[i].name, expected->fields[i].name);
      EXPECT_EQ(def.fields()[i].type, expected->fields[i].type);
    }
    const Rows want = Canonical(*expected);
    EXPECT_EQ(FirstDifference(testing::RowsFromOurReader(path, table), want), "") << "our reader";
    EXPECT_EQ(FirstDifference(Sorted(testing::RowsFromMdbReader(path, table, def.fields())), Sorted(want)), "")
        << "mdb-reader";
    EXPECT_EQ(FirstDifference(Sorted(testing::RowsFromMdbExport(path, table, def.fields())),
                              Sorted(testing::ExactForMdbExport(want, def.fields()))), "")
        << "mdb-export";
  }
  Snapshot now = TakeSnapshot(path, table);
  for (const auto& [name, rows] : before.ours) {
    if (name == "MSysObjects" || name == "MSysACEs") continue;  // changed on purpose
    EXPECT_EQ(FirstDifference(now.ours[name], rows), "") << "table " << name << " changed (our reader)";
  }
  for (const auto& [name, rows] : before.mdb_reader) {
    EXPECT_EQ(FirstDifference(now.mdb_reader[name], rows), "") << "table " << name << " changed (mdb-reader)";
  }
}

std::vector<RowHome> Homes(DatabaseWriter& db, const std::string& table) {
  std::vector<RowHome> homes;
  TableScan scan(db.session().pager(), db.Table(table).table());
  RowLocation at;
  while (scan.Next(at)) homes.push_back({at.page, at.row});
  return homes;
}

class WriteRoundTrip : public ::testing::TestWithParam<std::string> {};

void CreateInsertUpdateRenameDrop(const std::string& path) {
  const std::string table = "Round_Trip 1";
  const Snapshot before = TakeSnapshot(path, table);

  Expected e;
  {
    DatabaseWriter db(path);
    db.CreateTable(table, EveryType());
    e.fields = db.Table(table).table().fields();
  }
  CheckFile(path, table, &e, before, "create");

  const std::string memo(9000, 'm');  // 18000 bytes of UCS-2: a chain of LVAL rows
  const std::string blob = std::string(5000, '\x01') + std::string(5000, '\xFE');
  {
    DatabaseWriter db(path);
    TableWriter& t = db.Table(table);
    std::vector<std::vector<Value>> inputs = {
        Row({nullptr, "True", "255", "32767", "2147483647", "922337203685477.5807", "3.4e38", "1.79769313486231e308",
             "2024-05-06 07:08:09", nullptr, "Ann O'Neil - \xC3\xA9t\xC3\xA9", nullptr, "short", "{6F9619FF-8B86-D011-B42D-00C04FC964FF}"}),
        Row({nullptr, "False", "0", "-32768", "-2147483648", "-922337203685477.5808", "-3.4e38", "-1.79769313486231e308",
             "1900-01-01", nullptr, "", nullptr, nullptr, nullptr}),
        Row({nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr}),
        Row({"500", "1", "7", "-1", "0", "0.0001", "1.5", "0.1", "12/31/2099 23:59:59", nullptr, nullptr, nullptr, nullptr, nullptr}),
    };
    // (mdb-export cuts binary values at their first zero byte, so none here.)
    inputs[0][9] = Bytes(std::string("\x7F\x01\x02\xFF", 4));
    inputs[0][11] = Bytes(blob);
    inputs[1][12].SetText(memo);
    inputs[2][10].SetText(std::string(255, 'L'));
    inputs[3][11] = Bytes("tiny");
    for (const auto& in : inputs) t.Insert(in);
    e.rows = {};
    for (RowHome h : Homes(db, table)) e.rows.push_back(t.Read(h));
    ASSERT_EQ(e.rows.size(), 4u);
    EXPECT_EQ(e.rows[0][0].long_value(), 1);    // autonumber
    EXPECT_EQ(e.rows[3][0].long_value(), 500);  // explicit
    EXPECT_EQ(e.rows[1][12].text(), memo);
    EXPECT_EQ(e.rows[0][11].bytes(), blob);

    // Failures leave nothing behind.
    auto bad = inputs[3];
    bad[10].SetText(std::string(256, 'x'));
    try { t.Insert(bad); FAIL(); } catch (const Error& err) { EXPECT_EQ(err.number(), 3163); }
    bad = inputs[3];
    bad[3].SetText("forty");
    try { t.Insert(bad); FAIL(); } catch (const Error& err) { EXPECT_EQ(err.number(), 3421); }
    bad[3].SetText("70000");
    try { t.Insert(bad); FAIL(); } catch (const Error& err) { EXPECT_EQ(err.number(), 3421); }
  }
  CheckFile(path, table, &e, before, "inserts");

  {
    DatabaseWriter db(path);
    TableWriter& t = db.Table(table);
    auto homes = Homes(db, table);
    // Grows past its place: moved, with an overflow pointer left at home.
    auto grown = e.rows[3];
    grown[10].SetText(std::string(200, 'G'));
    grown[12].SetText("now a memo too");
    t.Update(homes[3], grown);
    // Shrinks: rewritten in place.
    auto shrunk = e.rows[2];
    shrunk[10].SetText("short now");
    t.Update(homes[2], shrunk);
    // A moved row grows again.
    grown[10].SetText(std::string(250, 'H'));
    t.Update(homes[3], grown);
    e.rows[3] = t.Read(homes[3]);
    e.rows[2] = t.Read(homes[2]);
    EXPECT_EQ(e.rows[3][10].text(), std::string(250, 'H'));
    RowLocation at;
    ASSERT_TRUE(TableScan::Resolve(db.session().pager(), homes[3].page, homes[3].row, at));
    EXPECT_TRUE(at.data_page != homes[3].page || at.slot.start != 0) << "row should have moved";
  }
  CheckFile(path, table, &e, before, "updates");

  {
    DatabaseWriter db(path);
    try { db.RenameColumn(table, "Label", "when"); FAIL(); } catch (const Error& err) { EXPECT_EQ(err.number(), 3191); }
    try { db.RenameColumn(table, "Nope", "X"); FAIL(); } catch (const Error& err) { EXPECT_EQ(err.number(), 3265); }
    db.RenameColumn(table, "Label", "A much longer label column name");
    e.fields = db.Table(table).table().fields();
  }
  CheckFile(path, table, &e, before, "rename");

  {
    DatabaseWriter db(path);
    db.DeleteTable(table);
    try { db.DeleteTable(table); FAIL(); } catch (const Error& err) { EXPECT_EQ(err.number(), 3265); }
  }
  CheckFile(path, table, nullptr, before, "drop");
}

TEST_P(WriteRoundTrip, CreateInsertUpdateRenameDrop) {
  TOLVANE_CORPUS_FILE_OR_SKIP(source, "jet4/" + GetParam());
  std::string why;
  if (!testing::ExternalReadersAvailable(&why)) GTEST_SKIP() << why;
  Scratch scratch(source);
  CreateInsertUpdateRenameDrop(scratch.path());
}

// A database this engine writes from nothing: the other readers open it, its catalog
// indexes hold its system tables, and the same round trip works on it.
TEST(WriteNewDatabase, CreateInsertUpdateRenameDrop) {
  std::string why;
  if (!testing::ExternalReadersAvailable(&why)) GTEST_SKIP() << why;
  const fs::path dir = fs::temp_directory_path() / ("jet_new_" + std::to_string(getpid()));
  fs::create_directories(dir);
  const std::string path = (dir / "new.mdb").string();
  CreateDatabase(path);
  try { CreateDatabase(path); FAIL(); } catch (const Error& err) { EXPECT_EQ(err.number(), 3204); }
  {
    auto db = Database::Open(path);
    EXPECT_EQ(db->JetVersion(), 4);
    EXPECT_TRUE(db->TableNames(false).empty());
    auto names = db->TableNames(true);
    EXPECT_EQ(names, (std::vector<std::string>{"MSysObjects", "MSysACEs", "MSysQueries", "MSysRelationships"}));
    EXPECT_EQ(testing::TablesFromMdbReader(path), std::vector<std::string>{});
  }
  IndexCheckResult check = CheckAllIndexes(path, true);
  EXPECT_EQ(check.indexes_checked, 7);
  for (const auto& p : check.problems) ADD_FAILURE() << p;
  CreateInsertUpdateRenameDrop(path);
  fs::remove_all(dir);
}

std::vector<std::string> Jet4Files() {
  std::vector<std::string> names;
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator(testing::CorpusDir() + "/jet4", ec)) {
    if (entry.path().extension() == ".mdb") names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  if (names.empty()) names.push_back("empty.mdb");  // skipped when missing
  return names;
}

INSTANTIATE_TEST_SUITE_P(Corpus, WriteRoundTrip, ::testing::ValuesIn(Jet4Files()),
                         [](const auto& info) {
                           std::string n = fs::path(info.param).stem().string();
                           for (char& c : n) if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
                           return n;
                         });

// A user table's own indexes follow inserts and updates; a duplicate key is refused.
TEST(WriteIndexes, UserTableIndexesFollowChanges) {
  TOLVANE_CORPUS_FILE_OR_SKIP(source, "jet4/indexTestV2000.mdb");
  Scratch scratch(source);
  {
    DatabaseWriter db(scratch.path());
    TableWriter& t = db.Table("Table1");
    for (int i = 0; i < 600; ++i) {
      t.Insert(Row({std::to_string(1000 + i).c_str(), "1", "2", ("it's row-" + std::to_string(i)).c_str(), "3"}));
    }
    try { t.Insert(Row({"1000", "1", "2", "dup", "3"})); FAIL(); } catch (const Error& err) { EXPECT_EQ(err.number(), 3022); }
    auto homes = Homes(db, "Table1");
    auto values = t.Read(homes[0]);
    values[3].SetText(std::string(45, 'z'));  // grows: moves, keeps its index entries at home
    values[0].SetLong(99999);
    t.Update(homes[0], values);
    try {
      auto clash = t.Read(homes[1]);
      clash[0].SetLong(99999);
      t.Update(homes[1], clash);
      FAIL();
    } catch (const Error& err) {
      EXPECT_EQ(err.number(), 3022);
    }
    t.Delete(homes[2]);
  }
  IndexCheckResult check = CheckAllIndexes(scratch.path(), true);
  EXPECT_GT(check.entries_checked, 1800);
  for (const auto& p : check.problems) ADD_FAILURE() << p;
}

}  // namespace
}  // namespace tolvane::jet
