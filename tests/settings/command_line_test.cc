#include <gtest/gtest.h>

#include "common/test_env.h"
#include "settings/command_line.h"
#include "settings/program_state.h"

namespace tolvane {
namespace {

struct ModeCase {
  const char* command_line;
  const char* external;
  bool integrated;
  bool silent;
  const char* logfile;
};

const ModeCase kModes[] = {
    {"/EXTERNAL ZRBCFG /LOGFILE d:\\logs\\cfg.txt", "ZRBCFG", true, false, "D:\\LOGS\\CFG.TXT"},
    {"/external=zrbcfg", "ZRBCFG", true, false, ""},
    {"/EXTERNAL:SILENT", "SILENT", false, true, ""},
    {"/EXTERNAL    ZRBCFG", "ZRBCFG", true, false, ""},
    {"/EXTERNALZRBCFG", "RBCFG", false, false, ""},
    {"/EXTERNAL /LOGFILE x.txt", "", false, false, "X.TXT"},
    {"", "", false, false, ""},
    {"/ExTeRnAl sIlEnT", "SILENT", false, true, ""},
    {"/EXTERNAL", "", false, false, ""},
    {"/EXTERNAL ", "", false, false, ""},
    {"/EXTERNAL ZRBCFGX", "ZRBCFGX", false, false, ""},
    {"/EXTERNAL \tZRBCFG", "\tZRBCFG", false, false, ""},  // only blanks are trimmed
    {"/LOGFILE c:\\my logs/x /EXTERNAL ZRBCFG", "ZRBCFG", true, false, "C:\\MY LOGS"},
    // The first EXTERNAL is inside the log path: the mode comes from what follows it there.
    {"/LOGFILE c:\\externalzrbcfg\\l.txt /EXTERNAL SILENT", "RBCFG\\L.TXT", false, false,
     "C:\\EXTERNALZRBCFG\\L.TXT"},
    {"/EXTERNAL größe", "GRÖßE", false, false, ""},  // simple mapping: ß stays
};

TEST(CommandLine, StartModeAndSwitchValues) {
  for (const ModeCase& c : kModes) {
    SCOPED_TRACE(c.command_line);
    testing::TestEnv env;
    env.process.command_line = c.command_line;
    std::string external = ReadCommand(c.command_line, "EXTERNAL");
    EXPECT_EQ(external, c.external);
    EXPECT_EQ(GetStartModeIntegrated(), c.integrated);
    EXPECT_EQ(State().IntegratedMode, c.integrated);
    EXPECT_EQ(State().SilentMode, c.silent);
    EXPECT_EQ(GetPathLogfile(), c.logfile);
    // A second call leaves the flags as they are.
    EXPECT_EQ(GetStartModeIntegrated(), c.integrated);
    EXPECT_EQ(State().SilentMode, c.silent);
  }
}

TEST(CommandLine, ValueKeepsItsCharactersAfterUpperCasingChangesByteLengths) {
  // 'ı' (2 bytes) upper-cases to 'I' (1 byte): positions must count characters.
  EXPECT_EQ(ReadCommand("ıı /LOGFILE abc", "LOGFILE"), "ABC");
}

}  // namespace
}  // namespace tolvane
