#include <gtest/gtest.h>

#include "common/test_env.h"
#include "run/additional_fields.h"
#include "run/dao.h"
#include "run/fixups.h"
#include "settings/program_state.h"

namespace tolvane {
namespace {

TEST(ReplaceSearchItem, FirstOccurrenceWithoutRegardToCase) {
  struct Case {
    const char* text;
    const char* search;
    const char* replacement;
    const char* result;
  } cases[] = {
      {"Val_###MACHINE_###machine", "###machine", "M1", "Val_M1_###machine"},
      {"no placeholder", "###machine", "M1", "no placeholder"},
      {"", "###machine", "M1", ""},
      {"###Var_Name", "###Var_Name", "###Var_Name###Var_Name", "###Var_Name###Var_Name"},
      {"Speed of ###machine", "###machine", "M1", "Speed of M1"},
      {"ÄÖ###MACHINEü", "###machine", "Straße", "ÄÖStraßeü"},  // positions count characters
      {"x###Machine", "###machine", "", "x"},
  };
  testing::TestEnv env;
  for (const Case& c : cases) EXPECT_EQ(ReplaceSearchItem(c.text, c.search, c.replacement), c.result) << c.text;
}

TEST(ReplaceSearchItem, MatchBeyond16BitPositionIsReported) {
  testing::TestEnv env({platform::Answer::kYes});
  std::string text(40000, 'a');
  text += "###machine";
  EXPECT_EQ(ReplaceSearchItem(text, "###machine", "M1"), "");
  EXPECT_NE(testing::ReadFile(env.error_log()).find("ReplaceSearchItem (Nr. 6) :Overflow"), std::string::npos);
}

TEST(AdditionalFields, ListSqlAndCount) {
  struct Case {
    const char* entry;  // nullptr: no entry
    std::vector<std::string> names;
    const char* sql;
  } cases[] = {
      {nullptr, {"", "part"}, ", PRESET_DEFS.part"},
      {"", {"", "part"}, ", PRESET_DEFS.part"},
      {"a,b", {"", "part", "a", "b"}, ", PRESET_DEFS.part, PRESET_DEFS.a, PRESET_DEFS.b"},
      {"a, b", {"", "part", "a", " b"}, ", PRESET_DEFS.part, PRESET_DEFS.a, PRESET_DEFS. b"},
      {"a,", {"", "part", "a", ""}, ", PRESET_DEFS.part, PRESET_DEFS.a, PRESET_DEFS."},
      {"part", {"", "part", "part"}, ", PRESET_DEFS.part, PRESET_DEFS.part"},
      {",,X", {"", "part", "", "", "X"}, ", PRESET_DEFS.part, PRESET_DEFS., PRESET_DEFS., PRESET_DEFS.X"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.entry ? c.entry : "(none)");
    testing::TestEnv env;
    testing::WriteFile(env.cfg(), c.entry ? std::string("[Project]\r\nDataBaseAdditionalFields=") + c.entry + "\r\n"
                                          : std::string("[Project]\r\n"));
    GetAddFields();
    GetAddFields();  // a second call rebuilds, it does not append
    ASSERT_TRUE(State().AddFieldNames.has_value());
    EXPECT_EQ(*State().AddFieldNames, c.names);
    EXPECT_EQ(State().AddFieldsSQL, c.sql);
    EXPECT_EQ(State().AddFieldCount, static_cast<int16_t>(c.names.size() - 1));
  }
}

TEST(QueryText, QuotesAreDoubled) {
  EXPECT_EQ(dao::QuoteForQuery("a\"b\"\""), "a\"\"b\"\"\"\"");
  EXPECT_EQ(dao::QuoteForQuery("plain"), "plain");
}

}  // namespace
}  // namespace tolvane
