// The takeover's layout warning: an old table wider than 15 columns while no additional
// field is configured. The run always sets up the additional fields first, so this is
// reached only by calling the takeover directly.
#include <gtest/gtest.h>

#include "common/mdb_fixture.h"
#include "common/test_env.h"
#include "errors/failure.h"
#include "run/dao.h"
#include "run/takeover.h"
#include "settings/program_state.h"

namespace tolvane {
namespace {

using platform::Answer;
using testing::Preset;
using testing::ReadFile;
using testing::ReadTable;
using testing::Txt;

class LayoutWarning : public ::testing::Test {
 protected:
  void Prepare(testing::TestEnv& env) {
    work_path = env.root + "/work.mdb";
    old_path = env.root + "/old.mdb";
    testing::MakeComponent(work_path, {Preset(1, "Drive", 1, Txt("A"), 0, "t")});
    auto wide = testing::PresetColumns();
    wide.push_back({"extra", testing::DataType::kText, 10});  // 16 columns
    auto row = Preset(9, "Drive", 1, Txt("A"), 0, "", 1, 2, 3, 4, 5);
    row.push_back(Txt("lost"));
    testing::MakeComponent(old_path, {row}, wide);
    work = dao::Database::Open(work_path);
    old_db = dao::Database::Open(old_path);
    old_rows = old_db->OpenRecordset("PRESET_DEFS");
  }
  std::string Tuned() { return ReadTable(work_path, "PRESET_DEFS")[0][10]; }

  std::string work_path, old_path;
  std::unique_ptr<dao::Database> work, old_db;
  std::unique_ptr<dao::Recordset> old_rows;
  const std::string warning =
      "WARNING!\n\rMachinecopy contains data in fields that won't be taken over!\n\rConfigurationfile "
      "\"TOLVANE.CFG\", missing entry \"DataBaseAdditionalFields \"\n\rIf you continue now this data will be "
      "lost.\n\rContinue?";
};

TEST_F(LayoutWarning, AnsweredYesGoesOn) {
  testing::TestEnv env({Answer::kYes});
  Prepare(env);
  TakeoverMachineCopyMDBData(*work, old_rows);
  ASSERT_EQ(env.dialogs.shown.size(), 1u);
  EXPECT_EQ(env.dialogs.shown[0].text, warning);
  EXPECT_EQ(env.dialogs.shown[0].title, "Tolvane_Config");
  EXPECT_EQ(env.dialogs.shown[0].default_button, 1);
  EXPECT_EQ(env.dialogs.shown[0].icon, platform::Icon::kExclamation);
  EXPECT_FALSE(old_rows);  // released once read
  EXPECT_EQ(Tuned(), "1");
}

TEST_F(LayoutWarning, AnsweredNoLogsAndEndsWithTheFatalBox) {
  testing::TestEnv env({Answer::kNo});
  Prepare(env);
  EXPECT_THROW(TakeoverMachineCopyMDBData(*work, old_rows), EndSignal);
  std::string upper_exe = env.process.folder + "/Tolvane_Config";
  for (char& c : upper_exe) c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
  EXPECT_EQ(ReadFile(env.error_log()),
            "Tolvane_Config :Database-Error - Contact Administrator! Configurationprogram \"TOLVANE\" terminated. "
            "Please check Configuration in \"TOLVANE.CFG\" Restart " +
                upper_exe +
                "!\r\nFehler in Tolvane / Tolvane_Config / TakeoverMachineCopyMDBData (Nr. 9999) :Database-Error - "
                "Contact Administrator!\r\n");
  ASSERT_EQ(env.dialogs.shown.size(), 2u);
  EXPECT_EQ(env.dialogs.shown[1].title, "Fatal error");
  EXPECT_EQ(Tuned(), "0");
}

TEST_F(LayoutWarning, SilentRunLogsOneLineAndGoesOn) {
  testing::TestEnv env;
  State().SilentMode = true;
  Prepare(env);
  TakeoverMachineCopyMDBData(*work, old_rows);
  std::string line = warning;
  for (size_t at; (at = line.find("\n\r")) != std::string::npos;) line.erase(at, 2);
  EXPECT_EQ(ReadFile(env.service_pack_log), "! Fault Tolvane_Config: " + line + "\r\n");
  EXPECT_TRUE(env.dialogs.shown.empty());
  EXPECT_EQ(Tuned(), "1");
}

TEST_F(LayoutWarning, AnAdditionalFieldMeansNoWarning) {
  testing::TestEnv env;
  State().AddFieldCount = 1;
  Prepare(env);
  TakeoverMachineCopyMDBData(*work, old_rows);
  EXPECT_TRUE(env.dialogs.shown.empty());
  EXPECT_EQ(Tuned(), "1");
}

}  // namespace
}  // namespace tolvane
