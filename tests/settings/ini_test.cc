// The four INI operations on the system's profile functions.
#include "settings/ini.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <string>
#include <vector>

#include "errors/failure.h"
#include "settings/program_state.h"
#include "common/test_env.h"

namespace tolvane {
namespace {

using testing::ReadBytes;
using testing::TestEnv;
using testing::WriteBytes;

std::string NotFound(const std::string& file) {
  return "File '" + file + "' or Section [S] or Entry 'k' not found";
}

class IniTest : public ::testing::Test {
 protected:
  // An INI file whose section S holds k=value.
  std::string FileWith(const std::string& value) {
    std::string path = p_.File("t.ini");
    WriteBytes(path, "[S]\r\nk=" + value + "\r\n");
    return path;
  }
  std::vector<std::string> Shown() const {
    std::vector<std::string> texts;
    for (const auto& box : p_.dialogs.shown) texts.push_back(box.text);
    return texts;
  }

  TestEnv p_;
};

TEST_F(IniTest, StringIsCutTo254Characters) {
  std::string value(300, 'x');
  for (size_t i = 0; i < value.size(); ++i) value[i] = static_cast<char>('a' + i % 26);
  EXPECT_EQ(LoadIniString("S", "k", FileWith(value), false), value.substr(0, 254));
}

TEST_F(IniTest, StringKeepsCaseAndCountsCharacters) {
  // 300 times "é": two bytes each in memory, one in the file.
  std::string value;
  for (int i = 0; i < 300; ++i) value += "\xE9";
  std::string expected;
  for (int i = 0; i < 254; ++i) expected += "\xC3\xA9";
  EXPECT_EQ(LoadIniString("S", "k", FileWith("MiXed"), false), "MiXed");
  EXPECT_EQ(LoadIniString("S", "k", FileWith(value), false), expected);
}

TEST_F(IniTest, MissingOrEmptyReadsAsEmptyAndFalse) {
  const std::string file = FileWith("");
  EXPECT_EQ(LoadIniString("S", "k", file, false), "");
  EXPECT_FALSE(LoadIniBoolean("S", "k", file, false));
  EXPECT_EQ(LoadIniString("S", "nope", file, false), "");
  EXPECT_EQ(LoadIniString("S", "k", p_.File("none.ini"), false), "");
  EXPECT_FALSE(LoadIniBoolean("Nope", "k", file, false));
  EXPECT_TRUE(p_.dialogs.shown.empty());
}

TEST_F(IniTest, BooleanIsTrueOnlyForTheWordTrue) {
  struct Row {
    const char* value;
    bool want;
  };
  for (Row row : {Row{"true", true}, Row{"True", true}, Row{"TRUE", true}, Row{" \"tRuE\" ", true},
                  Row{"1", false}, Row{"yes", false}, Row{"-1", false}, Row{"FALSE", false},
                  Row{"truely", false}}) {
    EXPECT_EQ(LoadIniBoolean("S", "k", FileWith(row.value), false), row.want) << row.value;
  }
}

TEST_F(IniTest, IntegerIsMinusOneWhenMissing) {
  const std::string file = FileWith("1031");
  EXPECT_EQ(LoadIniInteger("S", "k", file, false), 1031);
  EXPECT_EQ(LoadIniInteger("S", "nope", file, false), -1);
  EXPECT_EQ(LoadIniInteger("Nope", "k", file, false), -1);
  EXPECT_EQ(LoadIniInteger("S", "k", p_.File("none.ini"), false), -1);
  EXPECT_EQ(LoadIniInteger("S", "k", FileWith("-32768"), false), -32768);
  EXPECT_EQ(LoadIniInteger("S", "k", FileWith("32767"), false), 32767);
  EXPECT_TRUE(p_.dialogs.shown.empty());
}

TEST_F(IniTest, IntegerOutside16BitsIsOverflow) {
  for (const char* value : {"32768", "-32769", "99999"}) {
    p_.Answer({});  // go on
    EXPECT_EQ(LoadIniInteger("S", "k", FileWith(value), true), 0) << value;
    ASSERT_EQ(p_.dialogs.shown.size(), 1u) << value;  // the failure, not "not found"
    EXPECT_EQ(p_.dialogs.shown[0].title, "Unexpected error");
    EXPECT_NE(p_.dialogs.shown[0].text.find("Overflow"), std::string::npos);
  }
  std::string log = ReadBytes(p_.error_log()).value_or("");
  EXPECT_NE(log.find("Fehler in Tolvane / Tolvane_Config / LoadIniInteger (Nr. 6) :Overflow\r\n"),
            std::string::npos)
      << log;
}

TEST_F(IniTest, OverflowAnsweredNoEndsTheProgram) {
  p_.Answer({platform::Answer::kNo});
  EXPECT_THROW(LoadIniInteger("S", "k", FileWith("40000"), false), EndSignal);
}

TEST_F(IniTest, ReportMissingShowsTheMessage) {
  const std::string file = FileWith("");
  const std::string none = p_.File("none.ini");
  EXPECT_EQ(LoadIniString("S", "k", file, true), "");
  EXPECT_EQ(LoadIniInteger("S", "k", none, true), -1);
  EXPECT_FALSE(LoadIniBoolean("S", "k", none, true));
  EXPECT_EQ(Shown(), (std::vector<std::string>{NotFound(file), NotFound(none), NotFound(none)}));
  EXPECT_EQ(p_.dialogs.shown[0].title, "Tolvane_Config");
  EXPECT_EQ(p_.dialogs.shown[0].icon, platform::Icon::kCritical);
  EXPECT_EQ(p_.dialogs.shown[0].buttons, platform::Buttons::kOk);
}

TEST_F(IniTest, ReportMissingForValuesThatLookMissing) {
  // -1 cannot be told from a missing number, nor a word other than TRUE/FALSE from a
  // missing Boolean; a present TRUE, FALSE or number is no report.
  const std::string minus = FileWith("-1");
  EXPECT_EQ(LoadIniInteger("S", "k", minus, true), -1);
  EXPECT_FALSE(LoadIniBoolean("S", "k", FileWith("yes"), true));
  EXPECT_EQ(p_.dialogs.shown.size(), 2u);
  EXPECT_FALSE(LoadIniBoolean("S", "k", FileWith("false"), true));
  EXPECT_TRUE(LoadIniBoolean("S", "k", FileWith("True"), true));
  EXPECT_EQ(LoadIniInteger("S", "k", FileWith("0"), true), 0);
  EXPECT_EQ(LoadIniString("S", "k", FileWith("v"), true), "v");
  EXPECT_EQ(p_.dialogs.shown.size(), 2u);
}

TEST_F(IniTest, ReportMissingInSilentRunGoesToTheServicePackLog) {
  const std::string log = p_.File("servicepack.log");
  ::setenv("WEXEL_SERVICE_PACK_LOG", log.c_str(), 1);
  State().SilentMode = true;
  const std::string none = p_.File("n\xC3\xA9.ini");
  EXPECT_EQ(LoadIniString("S", "k", none, true), "");
  ::unsetenv("WEXEL_SERVICE_PACK_LOG");
  EXPECT_TRUE(p_.dialogs.shown.empty());
  // In the code page, like every log entry.
  EXPECT_EQ(ReadBytes(log), "! Fault Tolvane_Config: File '" + p_.File("n\xE9.ini") +
                                "' or Section [S] or Entry 'k' not found\r\n");
}

TEST_F(IniTest, SaveIniBooleanReadsBack) {
  const std::string file = p_.File("b.ini");
  EXPECT_EQ(SaveIni(true, "S", "k", file), 1);
  EXPECT_EQ(ReadBytes(file), "[S]\r\nk=true\r\n");  // also: a missing file is created
  EXPECT_TRUE(LoadIniBoolean("S", "k", file, true));
  EXPECT_EQ(SaveIni(false, "S", "k", file), 1);
  EXPECT_EQ(ReadBytes(file), "[S]\r\nk=false\r\n");
  EXPECT_FALSE(LoadIniBoolean("S", "k", file, true));
  EXPECT_TRUE(p_.dialogs.shown.empty());
}

TEST_F(IniTest, SaveIniTextAndNumberWriteTheSame) {
  const std::string a = p_.File("a.ini"), b = p_.File("b.ini");
  EXPECT_EQ(SaveIni(IniText("1031"), "S", "k", a), 1);
  EXPECT_EQ(SaveIni(int16_t{1031}, "S", "k", b), 1);
  EXPECT_EQ(ReadBytes(a), "[S]\r\nk=1031\r\n");
  EXPECT_EQ(ReadBytes(a), ReadBytes(b));
  EXPECT_EQ(LoadIniInteger("S", "k", b, false), 1031);
}

TEST_F(IniTest, SaveIniNumberTexts) {
  struct Row {
    IniValue value;
    const char* want;
  };
  const Row rows[] = {
      {int16_t{-3}, "-3"},
      {int32_t{100000}, "100000"},
      {uint8_t{255}, "255"},
      {2.5, "2.5"},
      {-2.5f, "-2.5"},
      {0.1f, "0.1"},
      {0.1 + 0.2, "0.3"},
      {1.0 / 3, "0.333333333333333"},
      {1.0f / 3, "0.3333333"},
      {1e20, "1E+20"},
      {1.5e-7, "1.5E-07"},
      {0.0001, "0.0001"},
      {0.00001, "1E-05"},
      {123456789012345.0, "123456789012345"},
      {1e15, "1E+15"},
      {1234567.0f, "1234567"},
      {1e7f, "1E+07"},
      {16777216.0f, "1.677722E+07"},
      {0.0, "0"},
      {-0.0, "0"},
  };
  const std::string file = p_.File("n.ini");
  for (const Row& row : rows) {
    EXPECT_EQ(SaveIni(row.value, "S", "k", file), 1);
    EXPECT_EQ(LoadIniString("S", "k", file, false), row.want) << "index " << row.value.index();
  }
}

TEST_F(IniTest, SaveIniOfOtherTypesIsWrongDataType) {
  const std::string file = FileWith("old");
  const IniValue others[] = {IniValue{}, IniNull{}, IniDate{45000.5}, IniCurrency{12345}};
  for (const IniValue& v : others) EXPECT_EQ(SaveIni(v, "S", "k", file), 0);
  EXPECT_EQ(Shown(), std::vector<std::string>(4, "Ini Save:  wrong data type"));
  EXPECT_EQ(ReadBytes(file), "[S]\r\nk=old\r\n");
  EXPECT_FALSE(SaveIni(IniDate{1}, "S", "k", p_.File("none.ini")));
  EXPECT_FALSE(ReadBytes(p_.File("none.ini")).has_value());
}

TEST_F(IniTest, RefusedWriteIsNotReported) {
  EXPECT_EQ(SaveIni(IniText("v"), "S", "k", p_.File("no/such/folder.ini")), 0);
  const std::string file = FileWith("1");
  std::filesystem::permissions(file, std::filesystem::perms::all, std::filesystem::perm_options::remove);
  std::filesystem::permissions(file, std::filesystem::perms::owner_read, std::filesystem::perm_options::add);
  EXPECT_EQ(SaveIni(int16_t{2}, "S", "k", file), 0);
  EXPECT_EQ(ReadBytes(file), "[S]\r\nk=1\r\n");
  EXPECT_TRUE(p_.dialogs.shown.empty());
}

}  // namespace
}  // namespace tolvane
