// The whole configuration run on real databases: the executable in a product tree whose
// template and component databases the test wrote through the engine.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdio>

#include "common/installation.h"
#include "common/mdb_fixture.h"

namespace tolvane {
namespace {

using testing::Bool;
using testing::Dbl;
using testing::ExeResult;
using testing::Int;
using testing::Lng;
using testing::Nul;
using testing::Preset;
using testing::ReadFile;
using testing::ReadTable;
using testing::Txt;
using testing::WriteFile;
using Rows = std::vector<std::vector<std::string>>;

class DatabaseRun : public testing::Installation {
 protected:
  std::string tmpl() const { return program + "/Tolvane_Source.mdb"; }
  std::string comp() const { return program + "/Tolvane.mdb"; }
  std::string machine_copy() const { return root + "/Save/Tolvane/Tolvane.mdb"; }
  Rows Presets(const std::string& db) const { return ReadTable(db, "PRESET_DEFS"); }

  // The generated rows of the standard template for machine M1 in VisiWin32 naming.
  static Rows Generated() {
    return {{"1", "Drive", "1", "1", "Torque", "3", "False", "1", "Torque", "Page1", "0", "100", "0", "50", "0"},
            {"2", "Drive", "1", "2", "M1.Speed", "3", "False", "0", "Speed of M1", "Page1", "0", "100", "0", "50", "0"},
            {"3", "Axis", "1", "2", "<null>", "3", "False", "2", "M1 and ###machine", "Page1", "0", "100", "0", "50",
             "0"}};
  }
  static void Tune(std::vector<std::string>& row, const char* abs_min, const char* abs_max, const char* min,
                   const char* max, const char* pass) {
    row[10] = abs_min, row[11] = abs_max, row[12] = min, row[13] = max, row[14] = pass;
  }
};

void SetMtime(const std::string& path, time_t t) {
  struct timespec ts[2] = {{t, 0}, {t, 0}};
  utimensat(AT_FDCWD, path.c_str(), ts, 0);
}

time_t Mtime(const std::string& path) {
  struct stat st {};
  stat(path.c_str(), &st);
  return st.st_mtime;
}

TEST_F(DatabaseRun, FirstRunBuildsTheTableAndSecondRunTakesOverValues) {
  testing::MakeTemplate(tmpl());
  SetMtime(tmpl(), 1000000000);
  ExeResult r = Run({});
  ASSERT_EQ(r.exit_code, 0) << r.stderr_text;
  EXPECT_FALSE(Exists(error_log())) << ReadFile(error_log());
  EXPECT_EQ(Presets(comp()), Generated());
  EXPECT_EQ(Presets(tmpl()), Generated());
  EXPECT_EQ(Mtime(tmpl()), 1000000000);

  // Exactly the template's columns: name, type and size.
  auto db = jet::Database::Open(comp());
  const jet::TableDef source_def = jet::Database::Open(tmpl())->GetTableDef("Source_PRESET_DEFS");
  const jet::TableDef result_def = db->GetTableDef("PRESET_DEFS");
  const auto& want = source_def.fields();
  const auto& got = result_def.fields();
  ASSERT_EQ(got.size(), want.size());
  for (size_t i = 0; i < got.size(); ++i) {
    EXPECT_EQ(got[i].name, want[i].name);
    EXPECT_EQ(got[i].type, want[i].type) << got[i].name;
    EXPECT_EQ(got[i].size, want[i].size) << got[i].name;
  }
  EXPECT_TRUE(result_def.indexes().empty());
  db.reset();

  // The user tunes the speed row; the next run keeps those values.
  {
    auto c = jet::Database::Open(comp());
    c->EnableWriting();
    auto rs = c->OpenQuery("SELECT PRESET_DEFS.* FROM PRESET_DEFS WHERE PRESET_DEFS.var_name = 'M1.Speed'");
    ASSERT_EQ(rs->RecordCount(), 1);
    rs->Edit();
    rs->SetValue(10, Dbl(1.5));
    rs->SetValue(11, Dbl(99));
    rs->SetValue(12, Dbl(2));
    rs->SetValue(13, Dbl(40));
    rs->SetValue(14, Int(7));
    rs->Update();
  }
  r = Run({});
  ASSERT_EQ(r.exit_code, 0) << r.stderr_text;
  Rows want_rows = Generated();
  Tune(want_rows[1], "1.5", "99", "2", "40", "7");
  EXPECT_EQ(Presets(comp()), want_rows);
  EXPECT_EQ(Presets(tmpl()), want_rows);
  EXPECT_EQ(Mtime(tmpl()), 1000000000);
  EXPECT_FALSE(Exists(error_log())) << ReadFile(error_log());

  // An independent reader sees the same table.
  if (std::system("command -v mdb-export >/dev/null 2>&1") == 0) {
    std::string out = root + "/export.csv";
    ASSERT_EQ(std::system(("mdb-export '" + comp() + "' PRESET_DEFS > '" + out + "'").c_str()), 0);
    std::string csv = ReadFile(out);
    EXPECT_NE(csv.find("\"M1.Speed\""), std::string::npos) << csv;
    EXPECT_NE(csv.find(",1.5"), std::string::npos) << csv;
    size_t lines = 0;
    for (char ch : csv) lines += ch == '\n';
    EXPECT_EQ(lines, 4u) << csv;
  }
}

TEST_F(DatabaseRun, RenamesInBothDirectionsAndAnOldCategoryColumn) {
  struct Case {
    const char* vwstudio;
    const char* old_name;  // in the previous database
    const char* new_name;  // generated, and what the old row is renamed to
    bool categorie;
  } cases[] = {
      {"false", "ChM1_Speed", "M1.Speed", false},
      {"true", "M1.Speed", "ChM1_Speed", false},
      {"TRUE", "M1.Speed", "ChM1_Speed", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.old_name);
    std::filesystem::remove(tmpl());
    std::filesystem::remove(comp());
    testing::MakeTemplate(tmpl());
    testing::MakeComponent(comp(),
                           {Preset(1, "Drive", 2, Txt(c.old_name), 0, "x", 5, 6, 7, 8, 9),
                            Preset(2, "Drive", 2, Txt("Unrelated"), 0, "y", 1, 1, 1, 1, 1)},
                           testing::PresetColumns(c.categorie));
    WriteFile(prod + "/parameter/Program.ini", std::string("[Project]\r\nNumberOfMachines=1\r\nVWStudio=") +
                                                   c.vwstudio + "\r\n[Machine1]\r\nMachineName=M1\r\n");
    ExeResult r = Run({});
    ASSERT_EQ(r.exit_code, 0) << r.stderr_text << ReadFile(error_log());
    Rows rows = Presets(comp());
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[1][4], c.new_name);
    EXPECT_EQ((std::vector<std::string>(rows[1].begin() + 10, rows[1].end())),
              (std::vector<std::string>{"5", "6", "7", "8", "9"}));
    EXPECT_EQ(rows[0][4], std::string(c.vwstudio) == "false" ? "Torque" : "St_Torque");
    EXPECT_FALSE(Exists(error_log())) << ReadFile(error_log());
  }
}

TEST_F(DatabaseRun, NamingPatternsEmptyMissingAndFallback) {
  struct Case {
    const char* what;
    std::vector<std::vector<jet::Value>> patterns;
    std::vector<std::string> names;  // var_name of the three generated rows
  } cases[] = {
      {"no rows", {}, {"", "", "<null>"}},
      {"empty pattern for part 2", {{Txt("VISIWIN32"), Int(1), Txt("A_###var_name")}, {Txt("VISIWIN32"), Int(2), Txt("")}},
       {"A_Torque", "", "<null>"}},
      {"a bad row sets the fallback",
       {{Txt("VISIWIN32"), Int(2), Txt("###MACHINE/###Machine/###Var_Name")}, {Txt("VISIWIN32"), Int(77), Txt("x")}},
       {"Torque", "M1/M1/Speed", "<null>"}},
      {"a later valid row replaces the fallback",
       {{Txt("VISIWIN32"), Nul(), Txt("x")}, {Txt("VISIWIN32"), Int(1), Txt("L_###Var_Name")},
        {Txt("VISIWIN32"), Int(1), Txt("Later_###Var_Name")}},
       {"Later_Torque", "", "<null>"}},
      {"other systems are ignored", {{Txt("OTHER"), Int(1), Txt("O_###Var_Name")}}, {"", "", "<null>"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::filesystem::remove(tmpl());
    std::filesystem::remove(comp());
    testing::MakeTemplate(tmpl(), testing::StandardTemplateRows(), c.patterns);
    ExeResult r = Run({});
    ASSERT_EQ(r.exit_code, 0) << r.stderr_text;
    EXPECT_FALSE(Exists(error_log())) << ReadFile(error_log());
    Rows rows = Presets(comp());
    ASSERT_EQ(rows.size(), 3u);
    for (size_t i = 0; i < 3; ++i) EXPECT_EQ(rows[i][4], c.names[i]) << i;
  }
}

TEST_F(DatabaseRun, MachineSelection) {
  struct Case {
    std::vector<std::string> args;
    const char* cfg;
    const char* machine;
    size_t rows;
  } cases[] = {
      {{"/EXTERNAL", "ZRBCFG", "/LOGFILE", "l.txt"}, "[Project]\r\nValidMachines=all\r\n", "M1", 3},
      {{"/EXTERNAL", "ZRBCFG", "/LOGFILE", "l.txt"}, "[Project]\r\nValidMachines=LINE-M1,M2\r\n", "m1", 3},
      {{"/EXTERNAL", "ZRBCFG", "/LOGFILE", "l.txt"}, "[Project]\r\nValidMachines=M2\r\n", "M1", 0},
      {{}, "[Project]\r\nForMachine1=True\r\n", "M1", 3},
      {{}, "[Project]\r\nForMachine1=1\r\n", "M1", 0},
      {{"/EXTERNAL", "SILENT"}, "[Project]\r\n", "M1", 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.cfg);
    std::filesystem::remove(tmpl());
    std::filesystem::remove(comp());
    testing::MakeTemplate(tmpl());
    WriteFile(cfg(), c.cfg);
    WriteFile(prod + "/parameter/zrbconfiguration.ini",
              std::string("[Common]\r\nNameM1=") + c.machine + "\r\nSaveAndRestore=" + root + "/Save\r\n");
    ExeResult r = Run(c.args);
    ASSERT_EQ(r.exit_code, 0) << r.stderr_text;
    EXPECT_EQ(Presets(comp()).size(), c.rows);
  }
}

TEST_F(DatabaseRun, TakeoverMatchesAllThreeKeysAndOnlyTheFirstDuplicate) {
  std::vector<std::vector<jet::Value>> template_rows = {
      Preset(1, "Drive", 1, Txt("A"), 0, "first"), Preset(2, "Drive", 1, Txt("A"), 0, "duplicate"),
      Preset(3, "Drive", 1, Txt("A"), 1, "other offset"), Preset(4, "Axis", 1, Txt("A"), 0, "other type"),
      Preset(5, "Drive", 1, Txt("Q\"uote"), 0, "quote")};
  testing::MakeTemplate(tmpl(), template_rows);
  testing::MakeComponent(comp(), {Preset(9, "Drive", 1, Txt("A"), 0, "", 1, 2, 3, 4, 5),
                                  Preset(8, "Nowhere", 1, Txt("A"), 0, "", 6, 6, 6, 6, 6),
                                  Preset(7, "Drive", 1, Txt("Q\"uote"), 0, "", 7, 7, 7, 7, 7)});
  WriteFile(cfg(), std::string(Installation::kCfg) + "DataBaseAdditionalFields=text, page_name\r\n");
  // " page_name" with its blank is not a column: this run must end before the copy.
  ExeResult r = Run({});
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_NE(ReadFile(error_log()).find("Conflict while attempting to extend database!Configurationsfile "
                                       "\"TOLVANE.CFG\", demanded field \" PAGE_NAME\"missing in machinecopy-database"
                                       "\n\rConfiguration of \"TOLVANE\" aborted.\r\n"),
            std::string::npos)
      << ReadFile(error_log());
  EXPECT_NE(r.stderr_text.find("=== Fatal error ==="), std::string::npos);
  EXPECT_EQ(Presets(comp()).size(), 3u);  // the component database is untouched

  WriteFile(cfg(), std::string(Installation::kCfg) + "DataBaseAdditionalFields=text,page_name\r\n");
  std::filesystem::remove(error_log());
  r = Run({});
  ASSERT_EQ(r.exit_code, 0) << r.stderr_text << ReadFile(error_log());
  Rows rows = Presets(comp());
  ASSERT_EQ(rows.size(), 5u);
  auto tuned = [](const std::vector<std::string>& row) { return std::vector<std::string>(row.begin() + 10, row.end()); };
  EXPECT_EQ(tuned(rows[0]), (std::vector<std::string>{"1", "2", "3", "4", "5"}));
  EXPECT_EQ(tuned(rows[1]), (std::vector<std::string>{"0", "100", "0", "50", "0"}));
  EXPECT_EQ(tuned(rows[2]), (std::vector<std::string>{"0", "100", "0", "50", "0"}));
  EXPECT_EQ(tuned(rows[3]), (std::vector<std::string>{"0", "100", "0", "50", "0"}));
  EXPECT_EQ(tuned(rows[4]), (std::vector<std::string>{"7", "7", "7", "7", "7"}));  // a quote matches itself
  EXPECT_EQ(rows[0][8], "first");  // only the five values change
}

TEST_F(DatabaseRun, EmptyPreviousTableTakesOverNothingAndReportsNothing) {
  testing::MakeTemplate(tmpl());
  testing::MakeComponent(comp(), {});
  ExeResult r = Run({});
  ASSERT_EQ(r.exit_code, 0) << r.stderr_text;
  EXPECT_FALSE(Exists(error_log())) << ReadFile(error_log());
  EXPECT_EQ(Presets(comp()), Generated());
}

TEST_F(DatabaseRun, IntegratedRunWithAndWithoutMachineCopy) {
  const std::vector<std::string> integrated = {"/EXTERNAL", "ZRBCFG", "/LOGFILE", "log.txt"};
  testing::MakeTemplate(tmpl());
  // Without a machine copy: the information box, then the run goes on.
  ExeResult r = Run(integrated);
  ASSERT_EQ(r.exit_code, 0) << r.stderr_text;
  EXPECT_NE(r.stderr_text.find("Konnte die Datei:\"Tolvane.mdb\" in der Vorlage nicht finden!"), std::string::npos)
      << r.stderr_text;
  EXPECT_EQ(Presets(comp()), Generated());

  // With one: its values win over what the component database held.
  std::filesystem::create_directories(root + "/Save/Tolvane");
  testing::MakeComponent(machine_copy(), {Preset(1, "Drive", 2, Txt("M1.Speed"), 0, "", 4, 4, 4, 4, 4)});
  r = Run(integrated);
  ASSERT_EQ(r.exit_code, 0) << r.stderr_text;
  EXPECT_EQ(r.stderr_text.find("Konnte die Datei"), std::string::npos);
  Rows want = Generated();
  Tune(want[1], "4", "4", "4", "4", "4");
  EXPECT_EQ(Presets(comp()), want);
  EXPECT_FALSE(Exists(root + "/LOG.TXT"));

  // Without a LOGFILE switch a run that reports nothing needs no log.
  r = Run({"/EXTERNAL", "ZRBCFG"});
  EXPECT_EQ(r.exit_code, 0) << r.stderr_text;
  EXPECT_EQ(Presets(comp()), want);
  EXPECT_NE(ReadFile(cfg()).find("S_Prog=1.0.1 - Integrated"), std::string::npos);
}

TEST_F(DatabaseRun, TemplateWithoutPresetTableIsReportedInEachMode) {
  {
    auto db = jet::Database::Create(tmpl());
    testing::AddTable(*db, "Source_DEFS", testing::DefsColumns(), testing::StandardPatterns());
  }
  testing::MakeComponent(comp(), {Preset(1, "Drive", 2, Txt("M1.Speed"), 0, "", 4, 4, 4, 4, 4)});
  const std::string before = ReadFile(comp());

  ExeResult r = Run({}, "n\n");  // end at the first report
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_NE(ReadFile(error_log()).find(" / WorkOnMDB (Nr. 3265) :"), std::string::npos) << ReadFile(error_log());
  EXPECT_TRUE(ReadFile(comp()) == before) << "the component database changed";

  // Silent: every report is logged and the run goes on, until the takeover finds no
  // PRESET_DEFS to hold the additional field "part", which ends every run.
  // Integrated: the reports go to the LOGFILE path; going on ends at the same fatal check.
  r = Run({"/EXTERNAL", "ZRBCFG", "/LOGFILE", "int.log"}, "y\ny\ny\ny\ny\ny\ny\ny\ny\ny\n");
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_NE(ReadFile(root + "/INT.LOG").find(" / WorkOnMDB (Nr. 3265) :"), std::string::npos);
  EXPECT_NE(r.stderr_text.find("=== Fatal error ==="), std::string::npos);
  EXPECT_TRUE(ReadFile(comp()) == before) << "the component database changed";

  std::filesystem::remove(error_log());
  r = Run({"/EXTERNAL", "SILENT"});
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_NE(ReadFile(sp_log()).find("! Fault Tolvane_Config: Unexpected error!\n\rItem not found in this collection."),
            std::string::npos);
  const std::string log = ReadFile(error_log());
  EXPECT_NE(log.find(" / WorkOnMDB (Nr. 3265) :"), std::string::npos) << log;
  EXPECT_NE(log.find("demanded field \"PART\"missing"), std::string::npos) << log;
  EXPECT_TRUE(ReadFile(comp()) == before) << "the component database changed";
  EXPECT_EQ(ReadFile(cfg()), Installation::kCfg);
}

TEST_F(DatabaseRun, TemplateThatIsNoDatabaseNeverReplacesTheComponentDatabase) {
  WriteFile(tmpl(), "this is not an Access database\r\n");
  testing::MakeComponent(comp(), {Preset(1, "Drive", 2, Txt("M1.Speed"), 0, "", 4, 4, 4, 4, 4)});
  const std::string before = ReadFile(comp());
  ExeResult r = Run({}, "y\ny\ny\ny\ny\ny\ny\ny\n");
  EXPECT_EQ(r.exit_code, 0) << r.stderr_text;
  EXPECT_NE(ReadFile(error_log()).find("(Nr. 3343) :"), std::string::npos) << ReadFile(error_log());
  EXPECT_TRUE(ReadFile(comp()) == before) << "the component database changed";
}

TEST_F(DatabaseRun, ReadOnlyComponentDatabaseIsReportedAndLeftWhole) {
  testing::MakeTemplate(tmpl());
  testing::MakeComponent(comp(), {Preset(1, "Drive", 2, Txt("ChM1_Speed"), 0, "", 4, 4, 4, 4, 4)});
  chmod(comp().c_str(), 0444);
  const std::string before = ReadFile(comp());
  ExeResult r = Run({"/EXTERNAL", "SILENT"});
  EXPECT_EQ(r.exit_code, 0);
  EXPECT_FALSE(ReadFile(error_log()).empty());
  EXPECT_TRUE(ReadFile(comp()) == before) << "the component database changed";
}

}  // namespace
}  // namespace tolvane
