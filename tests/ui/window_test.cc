#include <gtest/gtest.h>

#include <map>

#include "common/test_env.h"
#include "errors/failure.h"
#include "settings/program_state.h"
#include "ui/language.h"
#include "ui/main_window.h"

namespace tolvane {
namespace {

using platform::Answer;
using testing::ReadFile;
using testing::TestEnv;
using testing::WriteFile;

// Key=value lines of one section, in file order.
std::vector<std::pair<std::string, std::string>> Section(const std::string& file, const std::string& name) {
  std::vector<std::pair<std::string, std::string>> out;
  std::string content = ReadFile(file);
  bool inside = false;
  size_t pos = 0;
  while (pos < content.size()) {
    size_t end = content.find("\r\n", pos);
    if (end == std::string::npos) end = content.size();
    std::string line = content.substr(pos, end - pos);
    pos = end + 2;
    if (!line.empty() && line[0] == '[') {
      inside = line == "[" + name + "]";
      continue;
    }
    size_t eq = line.find('=');
    if (inside && eq != std::string::npos) out.emplace_back(line.substr(0, eq), line.substr(eq + 1));
  }
  return out;
}

std::string LanguageFile(const TestEnv& env) { return env.prod + "/Tolvane/Tolvane_Config.ini"; }

TEST(Window, ControlInventory) {
  MainWindow w = MakeMainWindow();
  EXPECT_EQ(w.caption, "Base ZRBCFG-Erweiterung");
  EXPECT_EQ(w.controls.size(), 4u + 1 + 1 + 1 + 45 + 5 + 45 + 1 + 11 + 6 + 5 + 7);
  EXPECT_EQ(w.controls.front().name, "CommandQuest");
  EXPECT_EQ(w.controls.back().name, "Header");
  EXPECT_EQ(w.Find("ComboServo", 3).class_name, "ComboBox");
  EXPECT_EQ(w.Find("Label", 5).caption, "Maschine 5");
}

TEST(LanguagePass, FirstRunSeedsTheFileInWalkOrder) {
  TestEnv env;
  Window() = MakeMainWindow();
  LoadToolTipTexts();
  auto lang = Section(LanguageFile(env), "Language");
  ASSERT_EQ(lang.size(), 1u);
  EXPECT_EQ(lang[0], (std::pair<std::string, std::string>("Language", "1031")));

  auto entries = Section(LanguageFile(env), "1031");
  ASSERT_EQ(entries.size(), 163u);
  int captions = 0, tooltips = 0;
  std::vector<std::string> helps;
  for (const auto& [key, value] : entries) {
    if (key.rfind("Caption_", 0) == 0) ++captions;
    if (key.rfind("TTT_", 0) == 0) {
      ++tooltips;
      EXPECT_EQ(value, "0") << key;
    }
    if (key.rfind("Help", 0) == 0) {
      helps.push_back(key);
      EXPECT_EQ(value, "0");
    }
  }
  EXPECT_EQ(captions, 58);
  EXPECT_EQ(tooltips, 103);
  EXPECT_EQ(helps, (std::vector<std::string>{"Help2", "Help1"}));

  std::vector<std::pair<std::string, std::string>> head(entries.begin(), entries.begin() + 8);
  EXPECT_EQ(head, (std::vector<std::pair<std::string, std::string>>{
                      {"Caption_CommandQuest_", ""},
                      {"TTT_CommandQuest_", "0"},
                      {"Caption_CommandCancel_", ""},
                      {"Help2", "0"},
                      {"TTT_CommandCancel_", "0"},
                      {"Caption_CommandOK_", ""},
                      {"Help1", "0"},
                      {"TTT_CommandOK_", "0"},
                  }));
  std::map<std::string, std::string> all(entries.begin(), entries.end());
  EXPECT_EQ(all["Caption_Check2ndDiagPage0_NoTTT"], "=zweite Diagnoseseite vorhanden");
  EXPECT_EQ(all["Caption_Label3_NoTTT"], "Maschine 3");
  EXPECT_EQ(all["Caption_MitFehler_"], "Mit Fehlerausgabe");
  EXPECT_EQ(all.count("TTT_MitFehler_"), 1u);
  EXPECT_EQ(all.count("TTT_ComboServo17_"), 1u);
  EXPECT_EQ(all.count("TTT_PictureServo_B"), 1u);
  EXPECT_EQ(all.count("TTT_Label3_NoTTT"), 0u);
  EXPECT_EQ(entries.back().first, "TTT_Header_");

  // A second run reads the same file and writes the placeholders again, nothing more.
  std::string before = ReadFile(LanguageFile(env));
  Window() = MakeMainWindow();
  LoadToolTipTexts();
  EXPECT_EQ(ReadFile(LanguageFile(env)), before);
}

TEST(LanguagePass, TextsReplaceDesignValuesAndPlaceholdersDoNot) {
  TestEnv env;
  WriteFile(LanguageFile(env),
            "[Language]\r\nLanguage=1031\r\n[1031]\r\nCaption_Header_=Kopf\r\nCaption_MitFehler_=0\r\n"
            "TTT_Header_=Tipp\r\nHelp1=Hilfe\r\n");
  Window() = MakeMainWindow();
  LoadToolTipTexts();
  EXPECT_EQ(Window().Find("Header").caption, "Kopf");
  EXPECT_EQ(Window().Find("Header").tooltip, "Tipp");
  EXPECT_EQ(Window().Find("MitFehler").caption, "Mit Fehlerausgabe");
  std::map<std::string, std::string> all;
  for (auto& kv : Section(LanguageFile(env), "1031")) all.insert(kv);
  EXPECT_EQ(all["Caption_MitFehler_"], "Mit Fehlerausgabe");  // design caption written back
  EXPECT_EQ(all["Help1"], "Hilfe");
}

TEST(LanguagePass, OtherLanguageGetsPlaceholdersOnly) {
  TestEnv env;
  WriteFile(LanguageFile(env), "[Language]\r\nLanguage=1033\r\n");
  Window() = MakeMainWindow();
  LoadToolTipTexts();
  auto entries = Section(LanguageFile(env), "1033");
  EXPECT_EQ(entries.size(), 163u);
  for (const auto& [key, value] : entries) EXPECT_EQ(value, "0") << key;
  EXPECT_EQ(Window().Find("Header").caption, "Tolvane - Konfiguration Voreinstellungen System");
}

TEST(LanguagePass, EmptyLanguageCodeCountsAsMissing) {
  TestEnv env;
  WriteFile(LanguageFile(env), "[Language]\r\nLanguage=\r\n");
  EXPECT_EQ(GetLanguage(), "1031");
  EXPECT_EQ(Section(LanguageFile(env), "Language")[0].second, "1031");
}

TEST(LanguagePass, TagsSingleMemberArraysAndBadHelpNumbers) {
  TestEnv env;
  MainWindow w;
  auto add = [&](std::string name, int index, std::string cls, std::string tag, int help) {
    Control c;
    c.name = std::move(name), c.index = index, c.class_name = std::move(cls), c.tag = std::move(tag);
    c.help_number = help;
    w.controls.push_back(c);
  };
  add("A", -1, "Label", "nottt", 0);
  add("B", -1, "Label", "xNOTTTx", 0);
  add("Solo", 7, "Label", "", 0);  // an array with a single member: no index in the key
  add("Bad", -1, "Label", "", 150);
  add("Next", -1, "CheckBox", "", 3);
  add("Fr", -1, "Frame", "", 4);  // frames get no caption or help entry
  Window() = w;
  LoadToolTipTexts();
  std::vector<std::string> keys;
  for (auto& kv : Section(LanguageFile(env), "1031")) keys.push_back(kv.first);
  EXPECT_EQ(keys, (std::vector<std::string>{"Caption_A_nottt", "Caption_B_xNOTTTx", "Caption_Solo_", "TTT_Solo_",
                                            "Caption_Bad_", "Caption_Next_", "Help3", "TTT_Next_", "TTT_Fr_"}));
}

}  // namespace
}  // namespace tolvane
