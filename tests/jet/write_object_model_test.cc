// Writing through the object model the program's adapter uses: Database::CreateTable /
// RenameColumn / DeleteTable and recordset editing (AddNew, Edit, SetValue, Update) on
// table and query recordsets, with DAO's failures.
#include <gtest/gtest.h>

#include <filesystem>

#include "corpus.h"
#include "error_of.h"
#include "jet/database.h"
#include "jet/error.h"
#include "jet/index_verify.h"

namespace tolvane::jet {
namespace {

namespace fs = std::filesystem;

std::string CopyOf(const std::string& source, const std::string& name) {
  fs::path p = fs::temp_directory_path() / ("jet_om_" + std::to_string(getpid()) + "_" + name);
  fs::copy_file(source, p, fs::copy_options::overwrite_existing);
  fs::permissions(p, fs::perms::owner_read | fs::perms::owner_write);
  return p.string();
}

using ::tolvane::jet::testing::ErrorOf;

void ExpectIndexesMatchRows(const std::string& path) {
  IndexCheckResult r = CheckAllIndexes(path);
  for (const auto& p : r.problems) ADD_FAILURE() << p;
}

TEST(WriteObjectModel, EditsThroughTableAndQueryRecordsets) {
  TOLVANE_CORPUS_FILE_OR_SKIP(source, "jet4/indexTestV2000.mdb");
  const std::string path = CopyOf(source, "edit.mdb");
  {
    auto db = Database::Open(path);
    auto before = db->OpenTable("Table1");
    EXPECT_EQ(ErrorOf([&] { before->AddNew(); }), 3027);  // writing not enabled yet

    db->EnableWriting();
    auto rs = db->OpenTable("Table1");
    const long count = rs->RecordCount();
    EXPECT_EQ(ErrorOf([&] { rs->Update(); }), 3020);
    EXPECT_EQ(ErrorOf([&] { rs->SetValue("data", Value::Text("x")); }), 3020);
    rs->AddNew();
    EXPECT_EQ(ErrorOf([&] { rs->SetValue("data", Value::Text(std::string(51, 'x'))); }), 3163);
    EXPECT_EQ(ErrorOf([&] { rs->SetValue("id", Value::Text("twelve")); }), 3421);
    EXPECT_EQ(ErrorOf([&] { rs->SetValue("nope", Value::Long(1)); }), 3265);
    rs->SetValue("id", Value::Long(4242));
    rs->SetValue("data", Value::Text("added"));
    rs->Update();
    EXPECT_EQ(db->OpenTable("Table1")->RecordCount(), count + 1);

    auto q = db->OpenQuery("SELECT Table1.id, Table1.data FROM Table1 WHERE Table1.id = 3");
    ASSERT_FALSE(q->IsEOF());
    q->Edit();
    q->SetValue("data", Value::Text("grown well past its old length"));
    q->Update();
    EXPECT_EQ(q->ValueByName("data").text(), "grown well past its old length");

    rs->MoveFirst();
    rs->Edit();
    rs->SetValue("id", Value::Long(4242));  // taken by the row added above
    EXPECT_EQ(ErrorOf([&] { rs->Update(); }), 3022);
  }
  auto db = Database::Open(path);
  auto q = db->OpenQuery("SELECT Table1.* FROM Table1 WHERE Table1.id = 4242");
  ASSERT_FALSE(q->IsEOF());
  EXPECT_EQ(q->ValueByName("data").text(), "added");
  q = db->OpenQuery("SELECT Table1.* FROM Table1 WHERE Table1.id = 3");
  ASSERT_FALSE(q->IsEOF());
  EXPECT_EQ(q->ValueByName("data").text(), "grown well past its old length");
  ExpectIndexesMatchRows(path);
  fs::remove(path);
}

TEST(WriteObjectModel, CreatesRenamesAndDropsTables) {
  TOLVANE_CORPUS_FILE_OR_SKIP(source, "jet4/testV2000.mdb");
  const std::string path = CopyOf(source, "tables.mdb");
  auto db = Database::Open(path);
  Field id, name;
  id.name = "ID";
  id.type = DataType::kLong;
  id.flags = kColumnAutoNumber;
  name.name = "Name";
  name.type = DataType::kText;
  name.size = 10;
  db->CreateTable("PRESET_DEFS", {id, name});
  EXPECT_EQ(ErrorOf([&] { db->CreateTable("preset_defs", {id}); }), 3010);
  EXPECT_EQ(ErrorOf([&] { db->CreateTable("Dup", {id, id}); }), 3191);
  const auto size_before = fs::file_size(path);
  EXPECT_EQ(ErrorOf([&] { db->CreateTable("Caf\xC3\xA9", {id}); }), 3251);  // not keyable in the catalog
  EXPECT_EQ(ErrorOf([&] { db->CreateTable("Bad.Name", {id}); }), 3125);
  EXPECT_EQ(fs::file_size(path), size_before) << "a refused table left pages behind";
  TableDef def = db->GetTableDef("PRESET_DEFS");
  ASSERT_EQ(def.fields().size(), 2u);
  EXPECT_EQ(def.fields()[1].size, 10);

  auto rs = db->OpenTable("PRESET_DEFS");
  for (const char* n : {"one", "two", "three"}) {
    rs->AddNew();
    rs->SetValue(1, Value::Text(n));
    rs->Update();
  }
  EXPECT_EQ(db->OpenTable("PRESET_DEFS")->RecordCount(), 3);

  EXPECT_EQ(ErrorOf([&] { db->RenameColumn("PRESET_DEFS", "Missing", "X"); }), 3265);
  EXPECT_EQ(ErrorOf([&] { db->RenameColumn("PRESET_DEFS", "Name", "id"); }), 3191);
  db->RenameColumn("PRESET_DEFS", "Name", "Var_Name");
  auto q = db->OpenQuery("SELECT PRESET_DEFS.* FROM PRESET_DEFS WHERE (((PRESET_DEFS.Var_Name)=\"two\"))");
  ASSERT_FALSE(q->IsEOF());
  EXPECT_EQ(q->ValueByName("ID").long_value(), 2);
  ExpectIndexesMatchRows(path);

  db->DeleteTable("PRESET_DEFS");
  EXPECT_EQ(ErrorOf([&] { db->DeleteTable("PRESET_DEFS"); }), 3265);
  auto names = db->TableNames();
  EXPECT_EQ(std::find(names.begin(), names.end(), "PRESET_DEFS"), names.end());
  ExpectIndexesMatchRows(path);
  fs::remove(path);
}

}  // namespace
}  // namespace tolvane::jet
