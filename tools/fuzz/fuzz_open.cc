// Opens the fuzzer's bytes as a database and reads every value of every table. Anything
// but the engine's own failure (an uncaught exception, a sanitizer report, a timeout) is a
// finding.
//
//   cmake -S . -B build-fuzz -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DTOLVANE_FUZZ=ON \
//         -DTOLVANE_TESTS=OFF && cmake --build build-fuzz --target jet_fuzz
//   mkdir -p /tmp/jet-seeds && cp ../shared/mdb-corpus/jet*/*.mdb /tmp/jet-seeds/
//   build-fuzz/tools/fuzz/jet_fuzz -max_total_time=300 -max_len=300000 -timeout=10 \
//         /tmp/jet-seeds
#include <cstdint>
#include <cstdio>
#include <string>

#include <unistd.h>

#include "jet/database.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const std::string path = "/tmp/jet_fuzz_" + std::to_string(getpid()) + ".mdb";
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return 0;
  std::fwrite(data, 1, size, f);
  std::fclose(f);
  try {
    auto db = tolvane::jet::Database::Open(path);
    for (const auto& name : db->TableNames(true)) {
      auto rs = db->OpenTable(name);
      for (; !rs->IsEOF(); rs->MoveNext()) {
        for (int i = 0; i < rs->FieldCount(); ++i) rs->ValueAt(i).ToText();
      }
    }
    const auto names = db->TableNames();
    if (!names.empty() && !db->GetTableDef(names[0]).fields().empty()) {
      const std::string& t = names[0];
      auto q = db->OpenQuery("SELECT * FROM [" + t + "] ORDER BY [" + t + "]." +
                             "[" + db->GetTableDef(t).fields().at(0).name + "]");
      for (; !q->IsEOF(); q->MoveNext()) q->ValueAt(0);
    }
  } catch (const tolvane::jet::Error&) {
  }
  return 0;
}
