// Runs the real executable as a process: a copy of it placed in a product tree, its own
// environment, standard input from a text, optionally a close request already pending.
#pragma once

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "common/test_env.h"

namespace tolvane::testing {

struct ExeResult {
  int exit_code = -1;
  std::string stderr_text;
};

struct ExeRun {
  std::string exe;                      // the installed copy
  std::vector<std::string> args;        // split as a shell would
  std::string stdin_text;               // fed on standard input, then end of input
  std::vector<std::string> env;         // the whole environment, first entry first
  std::string cwd;
  bool pending_close_request = false;   // SIGTERM blocked and raised before exec
};

inline void InstallExe(const std::string& program_folder, const std::string& name = "Tolvane_Config") {
  std::filesystem::create_directories(program_folder);
  std::filesystem::copy_file(TOLVANE_EXE, program_folder + "/" + name,
                             std::filesystem::copy_options::overwrite_existing);
}

inline ExeResult RunExe(const ExeRun& run) {
  std::string in_path = MakeTempDir();
  std::string in_file = in_path + "/stdin", err_file = in_path + "/stderr";
  WriteFile(in_file, run.stdin_text);
  pid_t pid = fork();
  if (pid == 0) {
    int in = open(in_file.c_str(), O_RDONLY);
    int err = open(err_file.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    dup2(in, 0);
    dup2(err, 2);
    if (!run.cwd.empty() && chdir(run.cwd.c_str()) != 0) _exit(126);
    std::vector<char*> argv{const_cast<char*>(run.exe.c_str())};
    for (const auto& a : run.args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    std::vector<char*> envp;
    for (const auto& e : run.env) envp.push_back(const_cast<char*>(e.c_str()));
    envp.push_back(nullptr);
    if (run.pending_close_request) {
      sigset_t set;
      sigemptyset(&set);
      sigaddset(&set, SIGTERM);
      sigprocmask(SIG_BLOCK, &set, nullptr);
      kill(getpid(), SIGTERM);
    }
    execve(run.exe.c_str(), argv.data(), envp.data());
    _exit(127);
  }
  ExeResult result;
  int status = 0;
  waitpid(pid, &status, 0);
  result.exit_code = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  result.stderr_text = ReadFile(err_file);
  std::error_code ec;
  std::filesystem::remove_all(in_path, ec);
  return result;
}

}  // namespace tolvane::testing
