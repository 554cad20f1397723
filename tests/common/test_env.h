// A product installation in a fresh temporary folder, with the platform installed on it:
// the real files and profile functions, a process that claims to live in <tmp>/Prod/Tolvane,
// scripted message boxes and close requests that the test raises.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <memory>
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

// A folder of its own for each test, removed afterwards (also after a test took away its
// write permission).
class TempDir {
 public:
  TempDir() : path_(MakeTempDir()) {
    if (path_.empty()) ADD_FAILURE() << "no temporary folder";
  }
  ~TempDir() {
    std::error_code ignored;
    std::filesystem::permissions(path_, std::filesystem::perms::owner_all, std::filesystem::perm_options::add,
                                 ignored);
    std::filesystem::remove_all(path_, ignored);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::filesystem::path& path() const { return path_; }
  std::string File(const std::string& name) const { return (path_ / name).string(); }

 private:
  std::filesystem::path path_;
};

// The bytes of a file, or nothing when it cannot be read.
inline std::optional<std::string> ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  return std::string(std::istreambuf_iterator<char>(in), {});
}

inline std::string ReadFile(const std::string& path) { return ReadBytes(path).value_or(std::string()); }

inline void WriteBytes(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

// Like WriteBytes, creating the folders on the way.
inline void WriteFile(const std::string& path, const std::string& bytes) {
  std::filesystem::create_directories(std::filesystem::path(path).parent_path());
  WriteBytes(path, bytes);
}

class TestEnv {
 public:
  explicit TestEnv(std::vector<platform::Answer> answers = {})
      : root(dir_.path().string()),
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
    platform::Install({});
    ResetState();
  }

  std::string cfg() const { return prod + "/Tolvane/Tolvane.cfg"; }
  std::string error_log() const { return prod + "/ZRBcfglog.txt"; }
  // A file directly in the test's folder.
  std::string File(const std::string& name) const { return dir_.File(name); }
  // Answers the next message boxes with these, then with their default buttons.
  void Answer(std::vector<platform::Answer> answers) { dialogs = platform::ScriptedDialogs(std::move(answers)); }

 private:
  TempDir dir_;  // first: the folder outlives everything below

 public:
  std::string root, prod, service_pack_log;
  FakeProcess process;
  std::unique_ptr<platform::Files> files;
  platform::ScriptedDialogs dialogs;
  FakeEvents events;
  std::unique_ptr<platform::Profile> profile;
};

}  // namespace tolvane::testing
