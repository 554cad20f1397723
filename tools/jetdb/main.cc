// jetdb FILE COMMAND [ARGS...]: exit 0 on success, 1 with a message on stderr otherwise.
#include <cstdio>
#include <exception>
#include <string>
#include <vector>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

#include "command.h"
#include "jet/error.h"

namespace tolvane::jetdb {

std::vector<Command>& Commands() {
  static std::vector<Command> commands;
  return commands;
}

namespace {

void PrintUsage() {
  std::fprintf(stderr, "usage:\n");
  for (const auto& c : Commands()) std::fprintf(stderr, "  jetdb %s\n", c.usage.c_str());
}

}  // namespace
}  // namespace tolvane::jetdb

int main(int argc, char** argv) {
  using namespace tolvane::jetdb;
#ifdef _WIN32
  // CSV keeps its \n line ends on every platform, as mdb-export writes them.
  _setmode(_fileno(stdout), _O_BINARY);
#endif
  if (argc < 3) {
    PrintUsage();
    return 1;
  }
  const std::string file = argv[1];
  const std::string name = argv[2];
  std::vector<std::string> args(argv + 3, argv + argc);
  for (const auto& c : Commands()) {
    if (c.name != name) continue;
    try {
      return c.run(file, args);
    } catch (const UsageError& e) {
      std::fprintf(stderr, "jetdb: %s\nusage: jetdb %s\n", e.message.c_str(), c.usage.c_str());
    } catch (const tolvane::jet::Error& e) {
      std::fprintf(stderr, "jetdb: error %d: %s%s%s\n", e.number(), e.what(),
                   e.detail().empty() ? "" : " (", e.detail().empty() ? "" : (e.detail() + ")").c_str());
    } catch (const std::exception& e) {
      std::fprintf(stderr, "jetdb: %s\n", e.what());
    }
    return 1;
  }
  std::fprintf(stderr, "jetdb: unknown command '%s'\n", name.c_str());
  PrintUsage();
  return 1;
}
