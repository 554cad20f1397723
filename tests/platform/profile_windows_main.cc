// The table of profile cases against the real Windows functions: a program of its own for
// the Windows build (or Wine), since the Windows build has no test framework. Built by hand:
//   x86_64-w64-mingw32-g++-posix -std=c++20 -O1 -static -Isrc -Itests \
//     tests/platform/profile_windows_main.cc src/platform/win32/profile.cc -o profile_table.exe
// Under Wine, pass --wine to skip the cases where Wine is known to differ from Windows.
#ifdef _WIN32

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>

#include "platform/platform.h"
#include "platform/profile_cases.h"

#include <windows.h>

int main(int argc, char** argv) {
  namespace fs = std::filesystem;
  using namespace tolvane;
  bool wine = argc > 1 && std::strcmp(argv[1], "--wine") == 0;
  auto profile = platform::MakeSystemProfile();
  fs::path root = fs::temp_directory_path() / ("tolvane-profile-" + std::to_string(::GetCurrentProcessId()));
  int failed = 0, skipped = 0, passed = 0;
  for (const profile_cases::Case& c : profile_cases::kCases) {
    if (wine && c.wine_differs) {
      ++skipped;
      continue;
    }
    fs::path dir = root / std::string(c.id);
    fs::create_directories(dir);
    std::string problem = profile_cases::Run(*profile, c, dir);
    if (problem.empty()) {
      ++passed;
    } else {
      ++failed;
      std::printf("FAIL %.*s %.*s: %s\n", static_cast<int>(c.id.size()), c.id.data(),
                  static_cast<int>(c.what.size()), c.what.data(), problem.c_str());
    }
  }
  std::error_code ignored;
  fs::remove_all(root, ignored);
  std::printf("%d passed, %d failed, %d skipped\n", passed, failed, skipped);
  return failed == 0 ? 0 : 1;
}

#endif  // _WIN32
