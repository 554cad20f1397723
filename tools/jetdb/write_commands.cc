// jetdb commands that change files or check what writing relies on.
#include <cstdio>

#include "command.h"
#include "jet/index_verify.h"

namespace tolvane::jetdb {
namespace {

int CheckIndexes(const std::string& file, const std::vector<std::string>& args) {
  if (!args.empty()) throw UsageError{"no arguments expected"};
  jet::IndexCheckResult r = jet::CheckAllIndexes(file);
  for (const auto& p : r.problems) std::fprintf(stderr, "%s\n", p.c_str());
  std::printf("%d indexes, %d entries checked, %zu problems\n", r.indexes_checked,
              r.entries_checked, r.problems.size());
  return r.problems.empty() ? 0 : 1;
}

CommandRegistrar check_indexes("check-indexes", "FILE check-indexes", CheckIndexes);

}  // namespace
}  // namespace tolvane::jetdb
