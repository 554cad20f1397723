// Damaged files: each case damages a copy of a corpus file in a temporary folder and reads
// everything in it. The engine must give a clear failure (3343 not a database, 3049
// damaged), never crash, hang or read outside the file (run under the sanitizers too).
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <random>

#include "corpus.h"
#include "jet/data_page.h"
#include "jet/row.h"
#include "jet/table_scan.h"
#include "jet/database.h"
#include "jet/usage_map.h"

namespace tolvane::jet {
namespace {

namespace fs = std::filesystem;

class Scratch {
 public:
  Scratch() {
    dir_ = fs::temp_directory_path() /
           ("jet_bad_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "_" +
            std::to_string(reinterpret_cast<uintptr_t>(this)));
    fs::create_directories(dir_);
  }
  ~Scratch() {
    std::error_code ec;
    fs::remove_all(dir_, ec);
  }
  std::string Write(const std::string& name, const std::vector<uint8_t>& bytes) const {
    const std::string path = (dir_ / name).string();
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return path;
  }

 private:
  fs::path dir_;
};

std::vector<uint8_t> ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

// Opens the file and reads every value of every table; 0 when all of it reads.
int ReadEverything(const std::string& path) {
  try {
    auto db = Database::Open(path);
    for (const auto& name : db->TableNames(true)) {
      db->GetTableDef(name);
      auto rs = db->OpenTable(name);
      for (; !rs->IsEOF(); rs->MoveNext()) {
        for (int i = 0; i < rs->FieldCount(); ++i) rs->ValueAt(i);
      }
    }
    return 0;
  } catch (const Error& e) {
    return e.number();
  }
}

void Put16(std::vector<uint8_t>& b, size_t at, uint16_t v) { std::memcpy(&b[at], &v, 2); }
void Put32(std::vector<uint8_t>& b, size_t at, uint32_t v) { std::memcpy(&b[at], &v, 4); }

// What the damage needs to know of the intact file.
struct Layout {
  std::string path;
  uint32_t page_size;
  int jet;
  uint32_t tdef_page;            // of the first user table
  std::vector<uint32_t> data_pages;  // of that table
  uint32_t row_table;            // offset of the row-offset table in a data page
};

Layout LayoutOf(const std::string& path) {
  auto db = Database::Open(path);
  const TableDef t = db->GetTableDef(db->TableNames().at(0));
  Layout l;
  l.path = path;
  l.page_size = db->pager().page_size();
  l.jet = db->JetVersion();
  l.tdef_page = t.tdef_page();
  l.data_pages = ReadUsageMap(db->pager(), t.owned_pages());
  l.row_table = static_cast<uint32_t>(RowCountOffset(l.jet) + 2);
  return l;
}

struct Damage {
  const char* what;
  const char* file;
  std::function<void(std::vector<uint8_t>&, const Layout&)> apply;
  int expected;
};

class Damaged : public ::testing::TestWithParam<Damage> {};

TEST_P(Damaged, FailsClearly) {
  const Damage& d = GetParam();
  TOLVANE_CORPUS_FILE_OR_SKIP(path, d.file);
  const Layout layout = LayoutOf(path);
  std::vector<uint8_t> bytes = ReadAll(path);
  d.apply(bytes, layout);
  Scratch scratch;
  EXPECT_EQ(ReadEverything(scratch.Write("damaged.mdb", bytes)), d.expected) << d.what;
}

// The first row of some chained long value (a descriptor with neither high bit), found
// through the engine: `at` is its file offset, `self` its own row pointer.
bool FindChainedLongValueRow(const std::string& path, size_t& at, uint32_t& self) {
  auto db = Database::Open(path);
  const Pager& pager = db->pager();
  for (const auto& name : db->TableNames(true)) {
    auto t = db->FindTable(name);
    RowDecoder decoder(pager, *t, 1252);
    TableScan scan(pager, *t);
    RowLocation loc;
    while (scan.Next(loc)) {
      decoder.Load(pager.page(loc.data_page), loc.slot);
      for (size_t i = 0; i < t->fields().size(); ++i) {
        const uint8_t* d;
        size_t n;
        if (!t->fields()[i].is_long_value() || !decoder.StoredBytes(i, d, n) || n < 12) continue;
        uint32_t word, ptr;
        std::memcpy(&word, d, 4);
        std::memcpy(&ptr, d + 4, 4);
        if ((word & 0xC0000000u) != 0) continue;
        const Page page = pager.page(ptr >> 8);
        const RowSlot slot = FindRow(page, pager.jet_version(), ptr & 0xFF);
        at = size_t{page.number()} * pager.page_size() + slot.start;
        self = ptr;
        return true;
      }
    }
  }
  return false;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Damaged,
    ::testing::Values(
        Damage{"truncated to its header page", "jet4/testV2000.mdb",
               [](auto& b, auto& l) { b.resize(l.page_size + 100); }, 3049},
        Damage{"truncated inside its header", "jet3/testV1997.mdb",
               [](auto& b, auto&) { b.resize(0x18); }, 3343},
        Damage{"cut after the table definition", "jet4/indexTestV2000.mdb",
               [](auto& b, auto& l) { b.resize(size_t{l.data_pages.back()} * l.page_size); }, 3049},
        Damage{"accdb version byte", "jet4/testV2000.mdb", [](auto& b, auto&) { b[0x14] = 2; }, 3343},
        Damage{"catalog definition zeroed", "jet4/testV2000.mdb",
               [](auto& b, auto& l) { std::fill_n(&b[2 * l.page_size], l.page_size, 0); }, 3049},
        Damage{"Jet 3 catalog definition zeroed", "jet3/testV1997.mdb",
               [](auto& b, auto& l) { std::fill_n(&b[2 * l.page_size], l.page_size, 0); }, 3049},
        Damage{"table's data page zeroed", "jet4/indexTestV2000.mdb",
               [](auto& b, auto& l) {
                 std::fill_n(&b[size_t{l.data_pages[0]} * l.page_size], l.page_size, 0);
               }, 3049},
        Damage{"page map pointer beyond the end", "jet4/indexTestV2000.mdb",
               [](auto& b, auto& l) { Put32(b, size_t{l.tdef_page} * l.page_size + 55, 0x7FFFFF00); }, 3049},
        Damage{"Jet 3 page map pointer beyond the end", "jet3/indexTestV1997.mdb",
               [](auto& b, auto& l) { Put32(b, size_t{l.tdef_page} * l.page_size + 35, 0x7FFFFF00); }, 3049},
        Damage{"row offset inside the offset table", "jet4/indexTestV2000.mdb",
               [](auto& b, auto& l) { Put16(b, size_t{l.data_pages[0]} * l.page_size + l.row_table, 5); }, 3049},
        Damage{"row offset past the page", "jet3/indexTestV1997.mdb",
               [](auto& b, auto& l) {
                 Put16(b, size_t{l.data_pages[0]} * l.page_size + l.row_table + 2, 0x1FFF);
               }, 3049},
        Damage{"row count larger than the page", "jet4/indexTestV2000.mdb",
               [](auto& b, auto& l) {
                 Put16(b, size_t{l.data_pages[0]} * l.page_size + RowCountOffset(4), 0xFFFF);
               }, 3049},
        Damage{"definition continues into itself", "jet4/testV2000.mdb",
               [](auto& b, auto& l) { Put32(b, size_t{l.tdef_page} * l.page_size + 4, l.tdef_page); }, 3049},
        Damage{"definition length beyond its pages", "jet4/testV2000.mdb",
               [](auto& b, auto& l) { Put32(b, size_t{l.tdef_page} * l.page_size + 8, 0x00FFFFFF); }, 3049},
        Damage{"column count beyond the definition", "jet3/testV1997.mdb",
               [](auto& b, auto& l) { Put16(b, size_t{l.tdef_page} * l.page_size + 25, 0x7FFF); }, 3049},
        Damage{"usage map of unknown type", "jet4/indexTestV2000.mdb",
               [](auto& b, auto& l) {
                 // The owned-pages map row: its pointer sits at +55 of the definition.
                 uint32_t ptr;
                 std::memcpy(&ptr, &b[size_t{l.tdef_page} * l.page_size + 55], 4);
                 const size_t page = size_t{ptr >> 8} * l.page_size;
                 uint16_t off;
                 std::memcpy(&off, &b[page + l.row_table + 2 * (ptr & 0xFF)], 2);
                 b[page + (off & 0x1FFF)] = 7;
               }, 3049},
        Damage{"long-value chain loops", "jet4/testV2000.mdb",
               [](auto& b, auto& l) {
                 size_t at;
                 uint32_t self;
                 ASSERT_TRUE(FindChainedLongValueRow(l.path, at, self));
                 Put32(b, at, self);
               }, 3049},
        Damage{"Jet 3 long-value chain points past the end", "jet3/test2V1997.mdb",
               [](auto& b, auto& l) {
                 size_t at;
                 uint32_t self;
                 ASSERT_TRUE(FindChainedLongValueRow(l.path, at, self));
                 Put32(b, at, 0x7FFFFF00);
               }, 3049}),
    [](const auto& info) {
      std::string n = info.param.what;
      for (char& c : n) if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
      return n;
    });

TEST(BadFile, NotADatabase) {
  Scratch scratch;
  std::vector<uint8_t> text;
  for (int i = 0; i < 400; ++i) for (char c : std::string("not a database\n")) text.push_back(c);
  EXPECT_EQ(ReadEverything(scratch.Write("notes.txt", text)), 3343);
  EXPECT_EQ(ReadEverything(scratch.Write("empty.mdb", {})), 3343);
}

// The header is RC4-encoded, so flipping a stored byte flips the decoded one.
TEST(BadFile, PasswordAndEncodingAreRefused) {
  TOLVANE_CORPUS_FILE_OR_SKIP(jet3, "jet3/testV1997.mdb");
  TOLVANE_CORPUS_FILE_OR_SKIP(jet4, "jet4/testV2000.mdb");
  struct Case { const std::string& file; size_t at; int expected; };
  const Case cases[] = {
      {jet3, 0x42, 3031},  // first password byte
      {jet4, 0x42 + 39, 3031},  // last byte of Jet 4's masked password
      {jet3, 0x3E, 3343},  // database key: every page would be encoded
      {jet4, 0x3E, 3343},
  };
  Scratch scratch;
  for (const auto& c : cases) {
    std::vector<uint8_t> b = ReadAll(c.file);
    b[c.at] ^= 0x5A;
    EXPECT_EQ(ReadEverything(scratch.Write("locked.mdb", b)), c.expected) << c.file << " " << c.at;
  }
}

// A table whose page map is rewritten as a reference map (type 1) over a new bitmap page
// that marks the same pages reads the same rows.
TEST(UsageMap, ReferenceMapReadsLikeTheInlineOne) {
  TOLVANE_CORPUS_FILE_OR_SKIP(path, "jet4/compIndexTestV2000.mdb");
  const Layout l = LayoutOf(path);
  std::vector<uint8_t> b = ReadAll(path);
  const uint32_t bitmap_page = static_cast<uint32_t>(b.size() / l.page_size);
  b.resize(b.size() + l.page_size, 0);
  uint8_t* bitmap = &b[size_t{bitmap_page} * l.page_size];
  bitmap[0] = 0x05;
  bitmap[1] = 0x01;
  for (uint32_t p : l.data_pages) bitmap[4 + p / 8] |= static_cast<uint8_t>(1u << (p % 8));
  uint32_t ptr;
  std::memcpy(&ptr, &b[size_t{l.tdef_page} * l.page_size + 55], 4);
  const size_t page = size_t{ptr >> 8} * l.page_size;
  uint16_t off, prev = static_cast<uint16_t>(l.page_size);
  std::memcpy(&off, &b[page + l.row_table + 2 * (ptr & 0xFF)], 2);
  if ((ptr & 0xFF) > 0) std::memcpy(&prev, &b[page + l.row_table + 2 * ((ptr & 0xFF) - 1)], 2);
  uint8_t* row = &b[page + (off & 0x1FFF)];
  std::memset(row, 0, (prev & 0x1FFF) - (off & 0x1FFF));
  row[0] = 0x01;
  Put32(b, page + (off & 0x1FFF) + 1, bitmap_page);
  Scratch scratch;
  auto original = Database::Open(path);
  auto rebuilt = Database::Open(scratch.Write("reference.mdb", b));
  EXPECT_EQ(ReadUsageMap(rebuilt->pager(), rebuilt->GetTableDef("Table1").owned_pages()), l.data_pages);
  auto a = original->OpenTable("Table1");
  auto c = rebuilt->OpenTable("Table1");
  long rows = 0;
  for (; !a->IsEOF() && !c->IsEOF(); a->MoveNext(), c->MoveNext(), ++rows) {
    ASSERT_EQ(a->ValueAt(0), c->ValueAt(0));
  }
  EXPECT_TRUE(a->IsEOF() && c->IsEOF());
  EXPECT_EQ(rows, 512);
}

// Random damage to every corpus file: whatever happens, only the engine's own failures.
TEST(BadFile, RandomDamageGivesOnlyEngineFailures) {
  const std::string dir = testing::CorpusDir();
  if (!fs::exists(dir)) GTEST_SKIP() << "no corpus at " << dir;
  std::mt19937 rng(12345);
  Scratch scratch;
  int files = 0;
  for (const char* sub : {"jet3", "jet4"}) {
    for (const auto& entry : fs::directory_iterator(fs::path(dir) / sub)) {
      const std::vector<uint8_t> original = ReadAll(entry.path().string());
      if (original.size() > (1u << 20)) continue;  // keeps the test quick
      ++files;
      for (int round = 0; round < 12; ++round) {
        std::vector<uint8_t> b = original;
        const size_t page_size = b[0x14] == 0 ? 2048 : 4096;
        // Damage one page that is not the header, heavily, in one of several ways.
        const size_t page = 1 + rng() % (b.size() / page_size - 1);
        for (int k = 0; k < 24; ++k) {
          const size_t at = page * page_size + rng() % page_size;
          b[at] = round % 3 == 0 ? 0xFF : round % 3 == 1 ? 0 : static_cast<uint8_t>(rng());
        }
        const int result = ReadEverything(scratch.Write("random.mdb", b));
        EXPECT_TRUE(result == 0 || result == 3049 || result == 3343)
            << entry.path() << " page " << page << ": failure " << result;
      }
    }
  }
  EXPECT_GT(files, 0);
}

}  // namespace
}  // namespace tolvane::jet
