#include <gtest/gtest.h>

#include "common/test_env.h"
#include "errors/failure.h"
#include "platform/platform.h"
#include "settings/command_line.h"
#include "settings/edit_info.h"
#include "settings/file_locations.h"
#include "settings/identity.h"
#include "settings/machines.h"
#include "settings/program_state.h"

namespace tolvane {
namespace {

using testing::ReadFile;
using testing::TestEnv;
using testing::WriteFile;

TEST(Identity, ComponentNameProductFolderAndLastName) {
  TestEnv env;
  EXPECT_EQ(GetOCXName(), "Tolvane");
  EXPECT_EQ(ProductFolder(), env.prod);
  env.process.folder = env.prod + "/Other";
  EXPECT_EQ(GetOCXName(), "Tolvane");
  EXPECT_EQ(ProductFolder(), env.prod);
  env.process.folder = "/";
  EXPECT_EQ(ProductFolder(), "");
  EXPECT_EQ(GetFileNameOnly("/opt/Prod/Tolvane"), "Tolvane");
  EXPECT_EQ(GetFileNameOnly("/"), "");
  EXPECT_EQ(GetFileNameOnly("plain"), "plain");
  env.process.name = "_Config";
  EXPECT_EQ(GetOCXName(), "");
}

TEST(Identity, TooShortExecutableNameIsReportedAndGivesEmptyName) {
  TestEnv env({platform::Answer::kYes});
  env.process.name = "Short";
  EXPECT_EQ(GetOCXName(), "");
  EXPECT_NE(ReadFile(env.error_log()).find("Fehler in  / Tolvane_Config / GetOCXName (Nr. 5)"), std::string::npos)
      << ReadFile(env.error_log());
}

TEST(FileLocations, PathsOfTheInstallation) {
  TestEnv env;
  EXPECT_EQ(GetZRBConfigurationIniPath(), "");
  WriteFile(env.prod + "/parameter/zrbconfiguration.ini", "[Common]\r\nSaveAndRestore=" + env.root + "/Save\r\n");
  EXPECT_EQ(GetZRBConfigurationIniPath(), env.prod + "/parameter/zrbconfiguration.ini");

  EXPECT_EQ(GetPathOCXMDB(), env.prod + "/Tolvane/Tolvane.mdb");  // not tested for existence
  EXPECT_EQ(GetPathSourceOCXMDB(), "");
  WriteFile(env.prod + "/Tolvane/Tolvane_Source.mdb", "x");
  EXPECT_EQ(GetPathSourceOCXMDB(), env.prod + "/Tolvane/Tolvane_Source.mdb");

  // program.ini: capital P standalone; under SaveAndRestore in an integrated run.
  EXPECT_EQ(GetProgramIniPath(1), "");
  WriteFile(env.prod + "/parameter/Program.ini", "");
  EXPECT_EQ(GetProgramIniPath(1), env.prod + "/parameter/Program.ini");
  State().IntegratedMode = true;
  EXPECT_EQ(GetProgramIniPath(1), "");
  WriteFile(env.root + "/Save/parameter/program.ini", "");
  EXPECT_EQ(GetProgramIniPath(1), env.root + "/Save/parameter/program.ini");
  EXPECT_EQ(GetProgramIniPath(2), env.prod + "/parameter/Program.ini");

  // The machine copy, with or without a trailing separator on SaveAndRestore.
  std::string ini = GetZRBConfigurationIniPath();
  EXPECT_EQ(GetPathMachineCopyMDB(ini), "");
  WriteFile(env.root + "/Save/Tolvane/Tolvane.mdb", "x");
  EXPECT_EQ(GetPathMachineCopyMDB(ini), env.root + "/Save/Tolvane/Tolvane.mdb");
  WriteFile(ini, "[Common]\r\nSaveAndRestore=" + env.root + "/Save/\r\n");
  EXPECT_EQ(GetPathMachineCopyMDB(ini), env.root + "/Save/Tolvane/Tolvane.mdb");
}

TEST(FileLocations, MissingCfgShowsTheMessageAndEnds) {
  TestEnv env;
  EXPECT_THROW(GetCFGPath(), EndSignal);
  ASSERT_EQ(env.dialogs.shown.size(), 1u);
  std::string upper = env.cfg();
  for (char& c : upper) c = static_cast<char>(toupper(c));
  EXPECT_EQ(env.dialogs.shown[0].text, "File not found: \n\r" + upper);
  State().SilentMode = true;
  EXPECT_THROW(GetCFGPath(), EndSignal);
  EXPECT_EQ(ReadFile(env.service_pack_log), "! Fault Tolvane_Config: File not found: \n\r" + upper + "\r\n");
  WriteFile(env.cfg(), "");
  EXPECT_EQ(GetCFGPath(), env.cfg());
}

TEST(Machines, IntegratedRunReadsNamesUpToTheFirstDashOrEmpty) {
  struct Case {
    const char* entries;
    std::vector<std::string> names;
  } cases[] = {
      {"NameM1=M1\r\nNameM2=-\r\nNameM3=M3\r\n", {"", "M1"}},
      {"NameM1=A\r\nNameM2=B\r\nNameM3=C\r\nNameM4=D\r\nNameM5=E\r\nNameM6=F\r\n", {"", "A", "B", "C", "D", "E"}},
      {"NameM1=\r\nNameM2=B\r\n", {}},
      {"NameM2=B\r\n", {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.entries);
    TestEnv env;
    State().IntegratedMode = true;
    std::string ini = env.prod + "/parameter/zrbconfiguration.ini";
    WriteFile(ini, std::string("[Common]\r\n") + c.entries);
    GetExistingMachines(ini);
    EXPECT_EQ(State().MachineNames, c.names);
  }
  TestEnv env;
  State().IntegratedMode = true;
  GetExistingMachines(env.prod + "/parameter/zrbconfiguration.ini");  // missing file
  EXPECT_TRUE(State().MachineNames.empty());
}

TEST(Machines, StandaloneRunReadsProgramIni) {
  struct Case {
    const char* ini;
    std::vector<std::string> names;
  } cases[] = {
      {"[Project]\r\nNumberOfMachines=3\r\n[Machine1]\r\nMachineName=A\r\n[Machine3]\r\nMachineName=C\r\n",
       {"", "A", "", "C"}},
      {"[Project]\r\nNumberOfMachines=0\r\n", {}},
      {"[Project]\r\n", {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.ini);
    TestEnv env;
    WriteFile(env.prod + "/parameter/Program.ini", c.ini);
    GetExistingMachines("");
    EXPECT_EQ(State().ProgramIniPath, env.prod + "/parameter/Program.ini");
    EXPECT_EQ(State().MachineNames, c.names);
  }
}

TEST(Machines, ValidMachinesAsWritten) {
  TestEnv env;
  WriteFile(env.cfg(), "[Project]\r\nValidMachines=M1,m3\r\n");
  EXPECT_EQ(GetValidMachines(), "M1,m3");
}

TEST(EditInfo, CodeOfTheFirstEnvironmentEntry) {
  EXPECT_EQ(EditorCode("abc"), "666768");
  EXPECT_EQ(EditorCode("a-b_c"), "666768");
  EXPECT_EQ(EditorCode(""), "");
  EXPECT_EQ(EditorCode("\x01"), "6");       // one digit below code 11
  EXPECT_EQ(EditorCode("ÿ"), "104");        // three digits from code 251
  EXPECT_EQ(EditorCode("€"), "85");         // the code page's code, not Unicode's
}

TEST(EditInfo, StampsVersionModeAndCodeAndReplacesOldValues) {
  TestEnv env;
  WriteFile(env.cfg(), "[Project]\r\nForMachine1=true\r\n");
  WriteEditInfo();
  State().IntegratedMode = true;
  env.process.first_env = "NOVALUE";
  WriteEditInfo();
  std::string cfg = ReadFile(env.cfg());
  EXPECT_EQ(cfg, "[Project]\r\nForMachine1=true\r\n[Info]\r\nS_Prog=1.0.1 - Integrated\r\nS_Editor=53545B46515A4A\r\n") << cfg;
  env.process.first_env = "EMPTY=";
  State().IntegratedMode = false;
  WriteEditInfo();
  cfg = ReadFile(env.cfg());
  EXPECT_NE(cfg.find("S_Prog=1.0.1 - Standalone\r\nS_Editor=\r\n"), std::string::npos) << cfg;
}

}  // namespace
}  // namespace tolvane
