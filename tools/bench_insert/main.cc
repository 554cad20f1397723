// bench_insert [TEMPLATE.mdb] [ROWS]: copies an empty Jet 4 database (by default the
// corpus' empty.mdb), creates a table of 15 columns (numbers, dates, Booleans, texts and a
// memo) and inserts ROWS rows (100000 by default) one by one through the writer, each in
// the file when its insert returns. Prints rows per second, then checks every index.
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>

#include "jet/error.h"
#include "jet/index_verify.h"
#include "jet/write_database.h"

using namespace tolvane::jet;

int main(int argc, char** argv) {
  namespace fs = std::filesystem;
  std::string source = argc > 1 && *argv[1] ? argv[1] : std::string(TOLVANE_BENCH_CORPUS) + "/jet4/empty.mdb";
  long rows = argc > 2 ? std::stol(argv[2]) : 100000;
  fs::path target = fs::temp_directory_path() / "bench_insert.mdb";
  try {
    fs::copy_file(source, target, fs::copy_options::overwrite_existing);
    fs::permissions(target, fs::perms::owner_read | fs::perms::owner_write);
    DatabaseWriter db(target.string());
    auto field = [](const char* name, DataType type, int size = 0) {
      Field f;
      f.name = name;
      f.type = type;
      f.size = size;
      return f;
    };
    std::vector<Field> fields = {
        field("ID", DataType::kLong),        field("Code", DataType::kText, 20),
        field("Name", DataType::kText, 60),  field("Count", DataType::kInteger),
        field("Total", DataType::kLong),     field("Price", DataType::kCurrency),
        field("Ratio", DataType::kDouble),   field("Weight", DataType::kSingle),
        field("Created", DataType::kDate),   field("Active", DataType::kBoolean),
        field("Flags", DataType::kByte),     field("Category", DataType::kText, 30),
        field("Comment", DataType::kMemo),   field("Updated", DataType::kDate),
        field("Owner", DataType::kText, 40)};
    fields[0].flags |= kColumnAutoNumber;
    db.CreateTable("Bench", fields);
    TableWriter& table = db.Table("Bench");
    std::vector<Value> values(fields.size());
    auto start = std::chrono::steady_clock::now();
    for (long i = 0; i < rows; ++i) {
      values[0].SetNull(DataType::kLong);
      values[1].SetText("C" + std::to_string(i % 9973));
      values[2].SetText("Row number " + std::to_string(i) + " of the benchmark");
      values[3].SetInteger(static_cast<int16_t>(i % 30000));
      values[4].SetLong(static_cast<int32_t>(i * 7));
      values[5].SetCurrency(i * 125);
      values[6].SetDouble(i / 3.0);
      values[7].SetSingle(static_cast<float>(i) / 7.0f);
      values[8].SetDate(45000.0 + i / 1440.0);
      values[9].SetBoolean(i % 2 == 0);
      values[10].SetByte(static_cast<uint8_t>(i % 256));
      values[11].SetText(i % 3 == 0 ? "alpha" : "beta");
      if (i % 10 == 0) values[12].SetText("memo " + std::to_string(i), DataType::kMemo);
      else values[12].SetNull(DataType::kMemo);
      values[13].SetDate(45000.5);
      values[14].SetText("owner" + std::to_string(i % 17));
      table.Insert(values);
    }
    double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("%ld rows of %zu columns in %.2f s: %.0f rows/s (file %s, %ju bytes)\n", rows,
                fields.size(), seconds, rows / seconds, target.c_str(),
                static_cast<uintmax_t>(fs::file_size(target)));
    IndexCheckResult check = CheckAllIndexes(target.string(), true);
    std::printf("index check: %d indexes, %d entries, %zu problems\n", check.indexes_checked,
                check.entries_checked, check.problems.size());
    for (const auto& p : check.problems) std::printf("  %s\n", p.c_str());
    return check.problems.empty() ? 0 : 1;
  } catch (const Error& e) {
    std::fprintf(stderr, "bench_insert: error %d: %s (%s)\n", e.number(), e.what(), e.detail().c_str());
    return 1;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "bench_insert: %s\n", e.what());
    return 1;
  }
}
