// A platform for tests of the program's operations: the system's files and profile
// functions in a fresh temporary folder, scripted message boxes, and a process that lives
// in that folder under the name Tolvane_Config.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <optional>
#include <string>

#include "platform/platform.h"
#include "settings/program_state.h"

namespace tolvane::testing {

// A folder of its own for each test, removed afterwards.
class TempDir {
 public:
  TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "tolvane-test-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) ADD_FAILURE() << "no temporary folder";
    path_ = pattern;
  }
  ~TempDir() {
    std::error_code ignored;
    std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ignored);
    std::filesystem::remove_all(path_, ignored);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::filesystem::path& path() const { return path_; }
  std::string File(const std::string& name) const { return (path_ / name).string(); }

 private:
  std::filesystem::path path_;
};

inline void WriteBytes(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

inline std::optional<std::string> ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// The program as installed in <temp>/product/program/Tolvane_Config.
class TestProcess : public platform::Process {
 public:
  explicit TestProcess(std::string folder) : folder_(std::move(folder)) {}
  std::string ProgramFolder() override { return folder_; }
  std::string ExecutableName() override { return "Tolvane_Config"; }
  std::string CommandLine() override { return {}; }
  std::string FirstEnvironmentEntry() override { return {}; }
  char Separator() override { return '/'; }

 private:
  std::string folder_;
};

// Installs the test platform for one test and puts back a fresh program state.
class TestPlatform {
 public:
  TestPlatform()
      : product_folder_((dir_.path() / "product").string()),
        process_(product_folder_ + "/program"),
        files_(platform::MakeSystemFiles()),
        profile_(platform::MakeSystemProfile()) {
    std::filesystem::create_directories(product_folder_ + "/program");
    ResetState();
    platform::Install({&process_, files_.get(), &dialogs, nullptr, profile_.get()});
  }
  ~TestPlatform() {
    platform::Install({});
    ResetState();
  }

  const TempDir& dir() const { return dir_; }
  std::string File(const std::string& name) const { return dir_.File(name); }
  // Where the error log of a standalone run goes.
  std::string ErrorLog() const { return product_folder_ + "/ZRBcfglog.txt"; }
  // Answers the next message boxes with these, then with their default buttons.
  void Answer(std::vector<platform::Answer> answers) {
    dialogs = platform::ScriptedDialogs(std::move(answers));
  }

  platform::ScriptedDialogs dialogs;

 private:
  TempDir dir_;
  std::string product_folder_;
  TestProcess process_;
  std::unique_ptr<platform::Files> files_;
  std::unique_ptr<platform::Profile> profile_;
};

}  // namespace tolvane::testing
