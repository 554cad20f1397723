#include <gtest/gtest.h>

#include "common/test_env.h"
#include "errors/error_sub.h"
#include "errors/logs.h"
#include "errors/trap.h"
#include "settings/program_state.h"

namespace tolvane {
namespace {

using platform::Answer;
using testing::ReadFile;
using testing::TestEnv;

Failure Boom() { return Failure(11, "Src", "Division by zero"); }

std::string Upper(std::string s) {
  for (char& c : s) c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
  return s;
}

TEST(ErrorSub, ResumedFailureLogsAsksAndGoesOn) {
  TestEnv env({Answer::kYes});
  std::vector<int> ran;
  Trap trap("Op");
  trap.Step([&] { ran.push_back(1); });
  trap.Step([&] { throw Boom(); });
  trap.Step([&] { ran.push_back(3); });
  EXPECT_EQ(ran, (std::vector<int>{1, 3}));

  EXPECT_EQ(ReadFile(env.error_log()), "Fehler in Tolvane / Src / Op (Nr. 11) :Division by zero\r\n");
  ASSERT_EQ(env.dialogs.shown.size(), 1u);
  const auto& box = env.dialogs.shown[0];
  EXPECT_EQ(box.text, "Unexpected error!\n\rDivision by zero\n\rError logged to \n\r" +
                          Upper(env.error_log()) + "\n\rResume?");
  EXPECT_EQ(box.title, "Unexpected error");
  EXPECT_EQ(box.buttons, platform::Buttons::kYesNo);
  EXPECT_EQ(box.icon, platform::Icon::kCritical);
  EXPECT_EQ(box.default_button, 0);
}

TEST(ErrorSub, AnswerNoEndsAtOnce) {
  TestEnv env({Answer::kNo});
  bool later = false;
  try {
    Trap trap("Op");
    trap.Step([&] { throw Boom(); });
    later = true;
    FAIL() << "the program should have ended";
  } catch (const EndSignal& end) {
    EXPECT_EQ(end.exit_code, exit_code::kEndedByFailure);
  }
  EXPECT_FALSE(later);
  EXPECT_NE(ReadFile(env.error_log()).find("(Nr. 11)"), std::string::npos);
}

TEST(ErrorSub, FatalShowsOkBoxAndEnds) {
  TestEnv env;
  EXPECT_THROW(
      {
        Trap trap("Op");
        trap.FatalStep([&] { throw Failure(9999, "Tolvane_Config", "Database-Error - Contact Administrator!"); });
      },
      EndSignal);
  ASSERT_EQ(env.dialogs.shown.size(), 1u);
  EXPECT_EQ(env.dialogs.shown[0].title, "Fatal error");
  EXPECT_EQ(env.dialogs.shown[0].buttons, platform::Buttons::kOk);
  EXPECT_EQ(env.dialogs.shown[0].text.find("Resume?"), std::string::npos);
}

TEST(ErrorSub, SilentRunLogsBothAndGoesOnEvenWhenFatal) {
  TestEnv env;
  State().SilentMode = true;
  int after = 0;
  Trap trap("Op");
  trap.FatalStep([&] { throw Failure(-2147217900, "DAO", "Bad"); });
  after = 1;
  EXPECT_EQ(after, 1);
  EXPECT_TRUE(env.dialogs.shown.empty());
  EXPECT_EQ(ReadFile(env.error_log()), "Fehler in Tolvane / DAO / Op (Nr. -2147217900) :Bad\r\n");
  EXPECT_EQ(ReadFile(env.service_pack_log),
            "! Fault Tolvane_Config: Unexpected error!\n\rBad\n\rError logged to \n\r" + Upper(env.error_log()) +
                "\r\n");
}

TEST(Trap, FailedConditionEntersItsBranch) {
  TestEnv env({Answer::kYes});
  Trap trap("Op");
  bool entered = false;
  if (trap.Test([]() -> bool { throw Boom(); })) entered = true;
  EXPECT_TRUE(entered);
}

TEST(Trap, LogFailureInHandlerReachesCallerWhichReportsIt) {
  TestEnv env({Answer::kYes});
  std::vector<std::string> ran;
  auto inner = [&] {
    Trap trap("Inner");
    // The inner report's log write fails once; the caller's report is written.
    std::filesystem::create_directory(env.error_log());  // a folder where the log should be
    trap.Step([&] { throw Boom(); });
    ran.push_back("inner went on");
  };
  Trap outer("Outer");
  outer.Step([&] {
    try {
      inner();
    } catch (...) {
      std::filesystem::remove(env.error_log());
      throw;
    }
  });
  ran.push_back("outer went on");
  EXPECT_EQ(ran, (std::vector<std::string>{"outer went on"}));
  std::string log = ReadFile(env.error_log());
  EXPECT_NE(log.find(" / Outer (Nr. "), std::string::npos) << log;
  EXPECT_EQ(log.find(" / Inner "), std::string::npos) << log;
  ASSERT_EQ(env.dialogs.shown.size(), 1u);
}

TEST(Trap, UncaughtFailureWithoutAnyTrapEscapes) {
  TestEnv env;
  State().IntegratedMode = true;
  EXPECT_THROW(
      {
        Trap trap("Only");
        trap.Step([&] { throw Boom(); });
      },
      Failure);
}

TEST(Logs, EntriesAppendInCodePageWithCrLfAndKeepEarlierLines) {
  TestEnv env;
  testing::WriteFile(env.error_log(), "old\r\n");
  EXPECT_EQ(LogError("über\n\rzwei", false), "Error logged to \n\r" + Upper(env.error_log()));
  LogError("second", false);
  EXPECT_EQ(ReadFile(env.error_log()), "old\r\n\xFC" "ber\n\rzwei\r\nsecond\r\n");
}

TEST(Logs, IntegratedRunWritesToTheLogfileSwitch) {
  TestEnv env;
  State().IntegratedMode = true;
  auto cwd = std::filesystem::current_path();
  std::filesystem::current_path(env.root);
  env.process.command_line = "/EXTERNAL ZRBCFG /LOGFILE cfg.txt";
  EXPECT_EQ(LogError("x", false), "Error logged to \n\rCFG.TXT");
  EXPECT_EQ(ReadFile(env.root + "/CFG.TXT"), "x\r\n");
  std::filesystem::current_path(cwd);
}

TEST(Logs, ShowMessageOrLogBoxOrServicePackEntry) {
  TestEnv env;
  ShowMessageOrLog("hello");
  ASSERT_EQ(env.dialogs.shown.size(), 1u);
  EXPECT_EQ(env.dialogs.shown[0].title, "Tolvane_Config");
  EXPECT_EQ(env.dialogs.shown[0].icon, platform::Icon::kCritical);
  State().SilentMode = true;
  ShowMessageOrLog("hello");
  EXPECT_EQ(env.dialogs.shown.size(), 1u);
  EXPECT_EQ(ReadFile(env.service_pack_log), "! Fault Tolvane_Config: hello\r\n");
}

}  // namespace
}  // namespace tolvane
