// The commands of jetdb. Each source file of this folder may add commands of its own
// through a static CommandRegistrar, so new commands need no edit of the others' files.
#pragma once

#include <string>
#include <vector>

namespace tolvane::jetdb {

// `file` is the database path (the first argument); `args` the words after the command.
// Returns the exit status; failures of the engine are thrown and reported by main.
using CommandFunction = int (*)(const std::string& file, const std::vector<std::string>& args);

struct Command {
  std::string name;
  std::string usage;  // "FILE export TABLE"
  CommandFunction run;
};

std::vector<Command>& Commands();

struct CommandRegistrar {
  CommandRegistrar(std::string name, std::string usage, CommandFunction run) {
    Commands().push_back({std::move(name), std::move(usage), run});
  }
};

// A usage failure of a command: main prints it with the command's usage line, exit 1.
struct UsageError {
  std::string message;
};

}  // namespace tolvane::jetdb
