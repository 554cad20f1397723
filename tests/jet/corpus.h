// Where the tests find the Access-made files; tests skip when the folder is missing.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <string>

namespace tolvane::jet::testing {

inline std::string CorpusDir() {
  if (const char* env = std::getenv("TOLVANE_MDB_CORPUS"); env && *env) return env;
  return TOLVANE_MDB_CORPUS;
}

// "jet4/testV2000.mdb" -> its full path, or "" when the file is not there.
inline std::string CorpusFile(const std::string& relative) {
  const std::string path = CorpusDir() + "/" + relative;
  return std::filesystem::exists(path) ? path : std::string();
}

}  // namespace tolvane::jet::testing

#define TOLVANE_CORPUS_FILE_OR_SKIP(var, relative)                                 \
  const std::string var = ::tolvane::jet::testing::CorpusFile(relative);          \
  if (var.empty()) GTEST_SKIP() << "corpus file " << (relative) << " not found in " \
                                << ::tolvane::jet::testing::CorpusDir()
