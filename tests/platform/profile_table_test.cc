// The table of profile cases against this build's own profile functions.
#include <gtest/gtest.h>

#include <cctype>

#include "platform/profile_cases.h"
#include "common/test_env.h"

namespace tolvane::profile_cases {
namespace {

class ProfileTable : public ::testing::TestWithParam<Case> {};

TEST_P(ProfileTable, BehavesAsOnWindows) {
  const Case& c = GetParam();
  tolvane::testing::TempDir dir;
  auto profile = platform::MakeSystemProfile();
  EXPECT_EQ(profile_cases::Run(*profile, c, dir.path()), "") << c.id << ": " << c.what;
}

std::string CaseName(const ::testing::TestParamInfo<Case>& info) {
  std::string name(info.param.id);
  name += '_';
  for (char ch : info.param.what)
    name += std::isalnum(static_cast<unsigned char>(ch)) ? ch : '_';
  return name;
}

INSTANTIATE_TEST_SUITE_P(Rows, ProfileTable, ::testing::ValuesIn(kCases), CaseName);

}  // namespace
}  // namespace tolvane::profile_cases
