// A product installation in a fresh temporary folder, with the platform installed on it:
// the real files and profile functions, a process that claims to live in <tmp>/Prod/Tolvane,
// scripted message boxes and close requests that the test raises.
#pragma once

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "settings/program_state.h"

namespace tolvane::testing {

class FakeProcess : public platform::Process {
 public:
  std::string folder, name = "Tolvane_Config", command_line, first_env = "X=a-b_c";
  std::string ProgramFolder() override { return folder; }
  std::string ExecutableName() override { return name; }
  std::string CommandLine() override { return command_line; }
  std::string FirstEnvironmentEntry() override { return first_env; }
  char Separator() override { return '/'; }
};

class FakeEvents : public platform::Events {
 public:
  int pending = 0;
  bool TakeCloseRequest() override {
    if (pending == 0) return false;
    --pending;
    return true;
  }
};

inline std::string MakeTempDir() {
  std::string templ = (std::filesystem::temp_directory_path() / "tolvane-XXXXXX").string();
  char* made = ::mkdtemp(templ.data());
  return made ? std::string(made) : std::string();
}

inline std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

inline void WriteFile(const std::string& path, const std::string& bytes) {
  std::filesystem::create_directories(std::filesystem::path(path).parent_path());
  std::ofstream(path, std::ios::binary) << bytes;
}

class TestEnv {
 public:
  explicit TestEnv(std::vector<platform::Answer> answers = {})
      : root(MakeTempDir()),
        prod(root + "/Prod"),
        files(platform::MakeSystemFiles()),
        dialogs(std::move(answers)),
        profile(platform::MakeSystemProfile()) {
    process.folder = prod + "/Tolvane";
    std::filesystem::create_directories(process.folder);
    std::filesystem::create_directories(prod + "/parameter");
    service_pack_log = root + "/WexelServicePack.log";
    ::setenv("WEXEL_SERVICE_PACK_LOG", service_pack_log.c_str(), 1);
    platform::Install({&process, files.get(), &dialogs, &events, profile.get()});
    ResetState();
  }
  ~TestEnv() {
    std::error_code ec;
    std::filesystem::remove_all(root, ec);
  }

  std::string cfg() const { return prod + "/Tolvane/Tolvane.cfg"; }
  std::string error_log() const { return prod + "/ZRBcfglog.txt"; }

  std::string root, prod, service_pack_log;
  FakeProcess process;
  std::unique_ptr<platform::Files> files;
  platform::ScriptedDialogs dialogs;
  FakeEvents events;
  std::unique_ptr<platform::Profile> profile;
};

}  // namespace tolvane::testing
