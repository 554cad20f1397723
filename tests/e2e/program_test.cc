// The real executable, run as a process in a product tree made by the test.
#include <gtest/gtest.h>

#include "common/installation.h"

namespace tolvane {
namespace {

using testing::ExeResult;
using testing::Installation;
using testing::ReadFile;
using testing::Upper;
using testing::WriteFile;

const std::string kCfg = Installation::kCfg;

TEST_F(Installation, EachModeRunsToTheEndAndStampsTheCfg) {
  struct Case {
    std::vector<std::string> args;
    const char* mode;
  } cases[] = {
      {{}, "Standalone"},
      {{"/EXTERNAL", "ZRBCFG", "/LOGFILE", "log.txt"}, "Integrated"},
      {{"/EXTERNAL:SILENT"}, "Standalone"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.mode);
    WriteFile(cfg(), kCfg);
    ExeResult r = Run(c.args);
    EXPECT_EQ(r.exit_code, 0) << r.stderr_text;
    EXPECT_EQ(ReadFile(cfg()), std::string(kCfg) + "[Info]\r\nS_Prog=1.0.1 - " + c.mode + "\r\nS_Editor=666768\r\n");
    EXPECT_FALSE(Exists(error_log()));
    EXPECT_FALSE(Exists(sp_log()));
    EXPECT_EQ(r.stderr_text, "");
  }
  // The language file was seeded once and is left as it was by later runs.
  std::string lang = ReadFile(language_file());
  EXPECT_EQ(lang.rfind("[Language]\r\nLanguage=1031\r\n[1031]\r\nCaption_CommandQuest_=\r\nTTT_CommandQuest_=0\r\n", 0), 0u);
  size_t lines = 0;
  for (char ch : lang) lines += ch == '\n';
  EXPECT_EQ(lines, 2u + 1u + 163u);
}

TEST_F(Installation, MissingCfgEndsWithItsMessage) {
  std::filesystem::remove(cfg());
  ExeResult r = Run({});
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_NE(r.stderr_text.find("File not found: "), std::string::npos) << r.stderr_text;
  EXPECT_NE(r.stderr_text.find(Upper(cfg())), std::string::npos);
  EXPECT_NE(r.stderr_text.find("(no input: OK)"), std::string::npos);
  EXPECT_FALSE(Exists(cfg()));

  r = Run({"/EXTERNAL", "SILENT"});
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_EQ(ReadFile(sp_log()), "! Fault Tolvane_Config: File not found: \n\r" + Upper(cfg()) + "\r\n");
  EXPECT_EQ(r.stderr_text, "");
}

// No machine configured: the window set-up fails twice on the empty machine list.
class NoMachines : public Installation {
 protected:
  void SetUp() override {
    Installation::SetUp();
    WriteFile(prod + "/parameter/Program.ini", "[Project]\r\n");
  }
  const std::string line = "Fehler in Tolvane / Tolvane_Config / SetupUserInterFace (Nr. 9) :Subscript out of range\r\n";
};

TEST_F(NoMachines, StandaloneAnswersGoOnOrEnd) {
  ExeResult r = Run({}, "y\ny\n");
  EXPECT_EQ(r.exit_code, 0) << r.stderr_text;
  EXPECT_EQ(ReadFile(error_log()), line + line);
  EXPECT_NE(ReadFile(cfg()).find("S_Prog=1.0.1 - Standalone"), std::string::npos);
  EXPECT_NE(r.stderr_text.find("Unexpected error!"), std::string::npos);

  std::filesystem::remove(error_log());
  WriteFile(cfg(), kCfg);
  r = Run({}, "n\n");
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_EQ(ReadFile(error_log()), line);
  EXPECT_EQ(ReadFile(cfg()), kCfg);  // ended before the stamp
}

TEST_F(NoMachines, SilentRunLogsAndGoesOn) {
  ExeResult r = Run({"/EXTERNAL", "SILENT"});
  EXPECT_EQ(r.exit_code, 0);
  EXPECT_EQ(ReadFile(error_log()), line + line);
  std::string entry = "! Fault Tolvane_Config: Unexpected error!\n\rSubscript out of range\n\rError logged to \n\r" +
                      Upper(error_log()) + "\r\n";
  EXPECT_EQ(ReadFile(sp_log()), entry + entry);
  EXPECT_EQ(r.stderr_text, "");
}

TEST_F(NoMachines, IntegratedRunLogsToTheLogfileSwitch) {
  WriteFile(root + "/Save/parameter/program.ini", "[Project]\r\n");
  WriteFile(prod + "/parameter/zrbconfiguration.ini", "[Common]\r\nNameM1=-\r\n");
  ExeResult r = Run({"/EXTERNAL", "ZRBCFG", "/LOGFILE", "cfg.txt"}, "y\ny\n");
  EXPECT_EQ(r.exit_code, 0) << r.stderr_text;
  EXPECT_EQ(ReadFile(root + "/CFG.TXT"), line + line);
  EXPECT_NE(r.stderr_text.find("Error logged to "), std::string::npos);
  EXPECT_NE(r.stderr_text.find("CFG.TXT"), std::string::npos);
}

TEST_F(NoMachines, IntegratedRunWithoutLogfileStopsWithThePlatformReport) {
  WriteFile(prod + "/parameter/zrbconfiguration.ini", "[Common]\r\nNameM1=-\r\n");
  ExeResult r = Run({"/EXTERNAL", "ZRBCFG"});
  // Neither the failure nor the log failure can be logged: no trap is left to take it.
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_NE(r.stderr_text.find("Run-time error '75'"), std::string::npos) << r.stderr_text;
  EXPECT_EQ(ReadFile(cfg()), kCfg);
}

TEST_F(Installation, CloseRequestInSilentRunIsLoggedAndEnds) {
  ExeResult r = Run({"/EXTERNAL", "SILENT"}, "", /*close_request=*/true);
  EXPECT_EQ(r.exit_code, 2);
  EXPECT_EQ(ReadFile(sp_log()),
            "! Fault Tolvane_Config: Cancel edits?\n\rRemark:\n\rUntil now no changes have been taken over \r\n");
  EXPECT_EQ(ReadFile(cfg()), kCfg);
}

TEST_F(Installation, CloseRequestAnswered) {
  ExeResult r = Run({}, "y\n", true);
  EXPECT_EQ(r.exit_code, 2);
  EXPECT_EQ(ReadFile(error_log()), "Konfigurations-EXE wurde abgebrochen:     Tolvane\r\n");
  EXPECT_EQ(ReadFile(cfg()), kCfg);
  EXPECT_NE(r.stderr_text.find("=== Cancel? ==="), std::string::npos);

  // No input: the box takes its default, No, and the run goes on.
  r = Run({}, "", true);
  EXPECT_EQ(r.exit_code, 0);
  EXPECT_NE(ReadFile(cfg()).find("S_Prog=1.0.1 - Standalone"), std::string::npos);

  // An integrated prompt names the executable to run again.
  r = Run({"/EXTERNAL", "ZRBCFG", "/LOGFILE", "l.txt"}, "n\n", true);
  EXPECT_EQ(r.exit_code, 0);
  EXPECT_NE(r.stderr_text.find("\"Tolvane\" has to be configured again in \"standalone-mode\" via "),
            std::string::npos)
      << r.stderr_text;
  EXPECT_NE(r.stderr_text.find("\"" + program + "/Tolvane_Config\""), std::string::npos);
}

}  // namespace
}  // namespace tolvane
