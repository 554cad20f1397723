// jet_bench [FILE TABLE ROWS]: export speed of jetdb against mdb-export.
// Builds a copy of FILE (default: the corpus' jet4/testV2000.mdb, table Table1) whose table
// holds ROWS rows (default 100000): the table's live rows are packed, repeated, into full
// data pages appended to the file, and the table's page map becomes a reference map over a
// new bitmap page listing them. Then both tools export the table (best of five runs each),
// the outputs are compared and the times and their ratio printed. With JET_BENCH_KEEP set
// the files stay in the temporary folder for profiling.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include "jet/data_page.h"
#include "jet/database.h"
#include "jet/table_scan.h"
#include "jet/usage_map.h"

namespace {

using namespace tolvane::jet;

void Put16(uint8_t* p, uint16_t v) { std::memcpy(p, &v, 2); }
void Put32(uint8_t* p, uint32_t v) { std::memcpy(p, &v, 4); }

// Returns the number of rows the new file's table holds.
long BuildLargeFile(const std::string& source, const std::string& table_name, long rows_wanted,
                    const std::string& target) {
  auto db = Database::Open(source);
  if (db->JetVersion() != 4) throw std::runtime_error("the benchmark builds Jet 4 files only");
  const Pager& pager = db->pager();
  const uint32_t ps = pager.page_size();
  auto table = db->FindTable(table_name);
  if (!table) throw std::runtime_error("no table " + table_name);

  // The table's live, non-overflow rows.
  std::vector<std::string> rows;
  TableScan scan(pager, *table);
  RowLocation at;
  while (scan.Next(at)) {
    if (at.page != at.data_page) continue;
    const Page page = pager.page(at.data_page);
    rows.emplace_back(reinterpret_cast<const char*>(page.Bytes(at.slot.start, at.slot.size())),
                      at.slot.size());
  }
  if (rows.empty()) throw std::runtime_error("table " + table_name + " has no rows to repeat");

  std::ifstream in(source, std::ios::binary);
  std::vector<uint8_t> file((std::istreambuf_iterator<char>(in)), {});
  const uint32_t first_new = static_cast<uint32_t>(file.size() / ps);
  const uint32_t bitmap_page = first_new;
  file.resize(file.size() + ps, 0);

  long made = 0;
  std::vector<uint32_t> new_pages;
  size_t next_row = 0;
  while (made < rows_wanted) {
    std::vector<uint8_t> page(ps, 0);
    page[0] = 0x01;
    page[1] = 0x01;
    Put32(&page[4], table->tdef_page());
    uint32_t top = ps;
    uint16_t count = 0;
    while (made < rows_wanted && count < 255) {
      const std::string& r = rows[next_row % rows.size()];
      const uint32_t table_end = 14 + 2u * (count + 1);
      if (top < r.size() || top - r.size() < table_end) break;
      top -= static_cast<uint32_t>(r.size());
      std::memcpy(&page[top], r.data(), r.size());
      Put16(&page[14 + 2 * count], static_cast<uint16_t>(top));
      ++count;
      ++made;
      ++next_row;
    }
    Put16(&page[12], count);
    Put16(&page[2], static_cast<uint16_t>(top - (14 + 2 * count)));
    new_pages.push_back(static_cast<uint32_t>(file.size() / ps));
    file.insert(file.end(), page.begin(), page.end());
  }
  if (file.size() / ps > uint64_t{ps - 4} * 8) throw std::runtime_error("too many pages for one bitmap");

  // The page map: one reference to the new bitmap page, which marks only the new pages
  // (the original rows are repeated there, so the old pages are left out).
  uint8_t* bitmap = &file[size_t{bitmap_page} * ps];
  bitmap[0] = 0x05;
  bitmap[1] = 0x01;
  for (uint32_t p : new_pages) bitmap[4 + p / 8] |= static_cast<uint8_t>(1u << (p % 8));
  const RowPointer map = table->owned_pages();
  const Page map_page = pager.page(map.page);
  const RowSlot slot = FindRow(map_page, 4, map.row);
  if (slot.size() < 5) throw std::runtime_error("page map row too short");
  uint8_t* row = &file[size_t{map.page} * ps + slot.start];
  std::memset(row, 0, slot.size());
  row[0] = 0x01;
  Put32(row + 1, bitmap_page);
  // The definition's row count, so that the table's RecordCount is right too.
  Put32(&file[size_t{table->tdef_page()} * ps + 16], static_cast<uint32_t>(made));

  std::ofstream(target, std::ios::binary)
      .write(reinterpret_cast<const char*>(file.data()), static_cast<std::streamsize>(file.size()));
  return made;
}

// Best wall time of `runs` runs of argv with stdout to `out`; started without a shell so
// that only the tool itself is timed.
double TimeCommand(const std::vector<std::string>& argv, const std::string& out, int runs) {
  double best = 1e9;
  for (int i = 0; i < runs; ++i) {
    const auto start = std::chrono::steady_clock::now();
    const pid_t pid = fork();
    if (pid == 0) {
      const int fd = open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
      if (fd < 0 || dup2(fd, 1) < 0) _exit(127);
      std::vector<char*> args;
      for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
      args.push_back(nullptr);
      execvp(args[0], args.data());
      _exit(127);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
      throw std::runtime_error("failed: " + argv[0]);
    }
    best = std::min(best, took.count());
  }
  return best;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string source =
      argc > 1 ? argv[1] : std::string(TOLVANE_MDB_CORPUS) + "/jet4/testV2000.mdb";
  const std::string table = argc > 2 ? argv[2] : "Table1";
  const long rows = argc > 3 ? std::atol(argv[3]) : 100000;
  try {
    const auto dir = std::filesystem::temp_directory_path() / "jet_bench";
    std::filesystem::create_directories(dir);
    const std::string big = (dir / "large.mdb").string();
    const long made = BuildLargeFile(source, table, rows, big);
    std::printf("file: %s, table %s: %ld rows, %.1f MB\n", big.c_str(), table.c_str(), made,
                std::filesystem::file_size(big) / 1e6);
    const std::string ours = (dir / "jetdb.csv").string();
    const std::string theirs = (dir / "mdb-export.csv").string();
    const double t_ours = TimeCommand({TOLVANE_JETDB, big, "export", table}, ours, 5);
    const double t_theirs = TimeCommand({"mdb-export", big, table}, theirs, 5);
    const bool same = std::system(("cmp -s '" + ours + "' '" + theirs + "'").c_str()) == 0;
    std::printf("jetdb export:      %.3f s\n", t_ours);
    std::printf("mdb-export:        %.3f s\n", t_theirs);
    std::printf("ratio jetdb/mdb-export: %.3f (target at most 0.5)\n", t_ours / t_theirs);
    std::printf("outputs identical: %s\n", same ? "yes" : "NO");
    if (!std::getenv("JET_BENCH_KEEP")) std::filesystem::remove_all(dir);
    return same ? 0 : 1;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "jet_bench: %s\n", e.what());
    return 1;
  }
}
