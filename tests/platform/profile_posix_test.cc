// What the POSIX profile functions add to the Windows behaviour: a write replaces the file
// whole (never half of it), and leaves the file's kind and permissions as they were.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "platform/platform.h"
#include "common/test_env.h"

namespace tolvane::platform {
namespace {

namespace fs = std::filesystem;
using tolvane::testing::ReadBytes;
using tolvane::testing::TempDir;
using tolvane::testing::WriteBytes;

TEST(PosixProfile, WritesLeaveNoFileBesideTheIni) {
  TempDir dir;
  auto profile = MakeSystemProfile();
  const std::string ini = dir.File("a.ini");
  EXPECT_TRUE(profile->WriteString("S", "k", "1", ini));   // creates
  EXPECT_TRUE(profile->WriteString("S", "k", "2", ini));   // replaces
  EXPECT_TRUE(profile->WriteString("T", "n", "3", ini));   // appends
  EXPECT_FALSE(profile->WriteString("S", "k", "4", dir.File("no/such.ini")));
  std::vector<std::string> names;
  for (const auto& e : fs::directory_iterator(dir.path())) names.push_back(e.path().filename());
  EXPECT_EQ(names, std::vector<std::string>{"a.ini"});
  EXPECT_EQ(ReadBytes(ini), "[S]\r\nk=2\r\n[T]\r\nn=3\r\n");
}

TEST(PosixProfile, WriteKeepsPermissions) {
  TempDir dir;
  auto profile = MakeSystemProfile();
  const std::string ini = dir.File("a.ini");
  WriteBytes(ini, "[S]\r\nk=1\r\n");
  ASSERT_EQ(::chmod(ini.c_str(), 0640), 0);
  EXPECT_TRUE(profile->WriteString("S", "k", "2", ini));
  struct stat st;
  ASSERT_EQ(::stat(ini.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0640u);
}

TEST(PosixProfile, WriteThroughSymbolicLinkChangesTheTarget) {
  TempDir dir;
  auto profile = MakeSystemProfile();
  const std::string target = dir.File("real.ini"), link = dir.File("link.ini");
  WriteBytes(target, "[S]\r\nk=1\r\n");
  fs::create_symlink(target, link);
  EXPECT_TRUE(profile->WriteString("S", "k", "2", link));
  EXPECT_TRUE(fs::is_symlink(link));
  EXPECT_EQ(ReadBytes(target), "[S]\r\nk=2\r\n");
  EXPECT_EQ(profile->GetString("S", "k", "", 255, link), "2");
}

TEST(PosixProfile, FolderWithoutWriteRightStillLetsTheFileChange) {
  if (::geteuid() == 0) GTEST_SKIP() << "root may create files in any folder";
  TempDir dir;
  auto profile = MakeSystemProfile();
  fs::create_directory(dir.path() / "locked");
  const std::string ini = (dir.path() / "locked" / "a.ini").string();
  WriteBytes(ini, "[S]\r\nk=1\r\n");
  fs::permissions(dir.path() / "locked", fs::perms::owner_write, fs::perm_options::remove);
  EXPECT_TRUE(profile->WriteString("S", "k", "2", ini));
  EXPECT_EQ(ReadBytes(ini), "[S]\r\nk=2\r\n");
  EXPECT_FALSE(profile->WriteString("S", "k", "2", (dir.path() / "locked" / "new.ini").string()));
}

// A UTF-8 file may hold what code page 1252 cannot. Our rule is '?'; the real A functions
// put a look-alike there instead ("O" for omega), which is why this case is not in the table.
TEST(PosixProfile, CharacterOutsideTheCodePageReadsAsQuestionMark) {
  TempDir dir;
  auto profile = MakeSystemProfile();
  const std::string ini = dir.File("u.ini");
  WriteBytes(ini, "\xEF\xBB\xBF[S]\r\nk=\xCE\xA9\xE2\x82\xAC\r\n");
  EXPECT_EQ(profile->GetString("S", "k", "", 255, ini), "?\xE2\x82\xAC");
}

TEST(PosixProfile, FolderIsNoFile) {
  TempDir dir;
  auto profile = MakeSystemProfile();
  EXPECT_EQ(profile->GetString("S", "k", "dflt", 255, dir.path().string()), "dflt");
  EXPECT_EQ(profile->GetInt("S", "k", 7, dir.path().string()), 7);
  EXPECT_FALSE(profile->WriteString("S", "k", "v", dir.path().string()));
}

}  // namespace
}  // namespace tolvane::platform
