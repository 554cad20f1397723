// A product installation made by a test, with the real executable installed in it.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

#include "common/run_exe.h"
#include "common/test_env.h"

namespace tolvane::testing {

inline std::string Upper(std::string s) {
  for (char& c : s) c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
  return s;
}

class Installation : public ::testing::Test {
 public:
  static constexpr const char* kCfg = "[Project]\r\nValidMachines=ALL\r\nForMachine1=true\r\n";

 protected:
  void SetUp() override {
    root = testing::MakeTempDir();
    prod = root + "/Prod";
    program = prod + "/Tolvane";
    testing::InstallExe(program);
    WriteFile(prod + "/parameter/zrbconfiguration.ini",
              "[Common]\r\nNameM1=M1\r\nNameM2=-\r\nSaveAndRestore=" + root + "/Save\r\n");
    WriteFile(prod + "/parameter/Program.ini",
              "[Project]\r\nNumberOfMachines=1\r\nVWStudio=false\r\n[Machine1]\r\nMachineName=M1\r\n");
    WriteFile(root + "/Save/parameter/program.ini", "[Project]\r\nNumberOfMachines=1\r\n");
    WriteFile(cfg(), kCfg);
  }
  void TearDown() override {
    // TOLVANE_KEEP_TREES=1 keeps the installation for a look after a failure.
    if (std::getenv("TOLVANE_KEEP_TREES") != nullptr) {
      std::cerr << "kept: " << root << "\n";
      return;
    }
    std::error_code ec;
    std::filesystem::remove_all(root, ec);
  }

  ExeResult Run(std::vector<std::string> args, std::string input = {}, bool close_request = false) {
    ExeRun run;
    run.exe = program + "/Tolvane_Config";
    run.args = std::move(args);
    run.stdin_text = std::move(input);
    run.env = {"X=a-b_c", "WEXEL_SERVICE_PACK_LOG=" + sp_log()};
    run.cwd = root;
    run.pending_close_request = close_request;
    return testing::RunExe(run);
  }

  std::string cfg() const { return program + "/Tolvane.cfg"; }
  std::string error_log() const { return prod + "/ZRBcfglog.txt"; }
  std::string sp_log() const { return root + "/WexelServicePack.log"; }
  std::string language_file() const { return program + "/Tolvane_Config.ini"; }
  bool Exists(const std::string& p) const { return std::filesystem::exists(p); }

  std::string root, prod, program;
};

}  // namespace tolvane::testing
