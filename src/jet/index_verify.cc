#include "jet/index_verify.h"

#include <algorithm>
#include <map>

#include "jet/error.h"
#include "jet/header.h"
#include "jet/index_key.h"
#include "jet/index_tree.h"
#include "jet/row.h"
#include "jet/table_scan.h"

namespace tolvane::jet {
namespace {

// Reads index pages straight from the pager; a checker never writes.
class ReadOnlyStore : public IndexPageStore {
 public:
  explicit ReadOnlyStore(const Pager& pager) : pager_(pager) {}
  const uint8_t* ReadPage(uint32_t number) override { return pager_.page(number).data(); }
  void WritePage(uint32_t, const uint8_t*) override { Refuse(); }
  uint32_t AllocatePage() override { Refuse(); }
  void FreePage(uint32_t) override { Refuse(); }

 private:
  [[noreturn]] static void Refuse() {
    throw Error(3027, "Cannot update.  Database or object is read-only.");
  }
  const Pager& pager_;
};

std::string Hex(const std::string& s) {
  static const char* digits = "0123456789abcdef";
  std::string out;
  for (unsigned char c : s) {
    if (!out.empty()) out.push_back(' ');
    out.push_back(digits[c >> 4]);
    out.push_back(digits[c & 15]);
  }
  return out;
}

std::string Where(const TableDef& t, const PhysicalIndex& ix) {
  return "table " + t.name() + ", index " + std::to_string(ix.number) + " (root page " +
         std::to_string(ix.root_page) + ")";
}

}  // namespace

std::string IndexKeyOfRow(const TableDef& table, const PhysicalIndex& index,
                          const RowDecoder& row, int jet_version) {
  IndexKeyBuilder key(jet_version == 3 ? TextKeyOrder::kGeneral97
                                       : TextKeyOrder::kGeneralLegacy);
  Value v;
  for (const IndexColumn& c : index.columns) {
    const auto& fields = table.fields();
    size_t i = 0;
    while (i < fields.size() && fields[i].col_num != c.col_num) ++i;
    if (i == fields.size()) {
      ThrowCorrupt("", "index column " + std::to_string(c.col_num) + " is not a column of " +
                           table.name());
    }
    row.Decode(i, v);
    key.Add(fields[i].type, v, c.ascending);
  }
  return key.Take();
}

void CheckTableIndexes(const Pager& pager, const TableDef& table, uint16_t code_page,
                       IndexCheckResult& result, bool check_row_counts) {
  const int version = pager.jet_version();
  const auto& physical = table.physical_indexes();
  std::vector<std::vector<IndexEntry>> expected(physical.size());
  std::vector<std::string> unkeyable(physical.size());
  RowDecoder decoder(pager, table, code_page);
  TableScan scan(pager, table);
  RowLocation at;
  uint32_t rows = 0;
  while (scan.Next(at)) {
    ++rows;
    decoder.Load(pager.page(at.data_page), at.slot);
    for (size_t i = 0; i < physical.size(); ++i) {
      if (!unkeyable[i].empty()) continue;
      if (physical[i].flags & 0x02) {  // "ignore nulls": rows whose key is all null are left out
        bool any = false;
        Value v;
        for (const IndexColumn& c : physical[i].columns) {
          for (size_t f = 0; f < table.fields().size(); ++f) {
            if (table.fields()[f].col_num != c.col_num) continue;
            decoder.Decode(f, v);
            any = any || !v.is_null();
          }
        }
        if (!any) continue;
      }
      try {
        IndexEntry e;
        e.key = IndexKeyOfRow(table, physical[i], decoder, version);
        e.page = at.page;
        e.row = at.row;
        expected[i].push_back(std::move(e));
      } catch (const Error& err) {
        if (err.number() != 3251) throw;
        unkeyable[i] = err.detail();
      }
    }
  }
  if (check_row_counts && rows != table.row_count()) {
    result.problems.push_back("table " + table.name() + ": definition counts " +
                              std::to_string(table.row_count()) + " rows, scan finds " +
                              std::to_string(rows));
  }
  ReadOnlyStore store(pager);
  for (size_t i = 0; i < physical.size(); ++i) {
    const PhysicalIndex& ix = physical[i];
    ++result.indexes_checked;
    std::vector<IndexEntry> found;
    try {
      found = IndexTree(store, IndexPageLayout::For(version), ix.root_page, table.tdef_page())
                  .ReadAll();
    } catch (const Error& err) {
      result.problems.push_back(Where(table, ix) + ": " + err.detail());
      continue;
    }
    if (!unkeyable[i].empty()) {
      result.problems.push_back(Where(table, ix) + ": cannot recompute keys: " + unkeyable[i]);
      continue;
    }
    auto& want = expected[i];
    std::sort(want.begin(), want.end());
    result.entries_checked += static_cast<int>(found.size());
    size_t n = std::max(want.size(), found.size());
    for (size_t k = 0; k < n; ++k) {
      if (k < want.size() && k < found.size() && want[k].SameRow(found[k])) continue;
      std::string msg = Where(table, ix) + ": entry " + std::to_string(k) + " of " +
                        std::to_string(found.size()) + " (rows " + std::to_string(want.size()) + ")";
      if (k < found.size()) {
        msg += "; index has " + Hex(found[k].key) + " -> " + std::to_string(found[k].page) +
               ":" + std::to_string(found[k].row);
      }
      if (k < want.size()) {
        msg += "; row gives " + Hex(want[k].key) + " -> " + std::to_string(want[k].page) +
               ":" + std::to_string(want[k].row);
      }
      result.problems.push_back(msg);
      break;
    }
    if (ix.flags & 0x01) {
      for (size_t k = 1; k < want.size(); ++k) {
        if (want[k].key == want[k - 1].key && !(ix.flags & 0x02)) {
          result.problems.push_back(Where(table, ix) + ": unique index holds a key twice");
          break;
        }
      }
    }
  }
}

IndexCheckResult CheckAllIndexes(const std::string& path, bool check_row_counts) {
  IndexCheckResult result;
  Pager pager(File::Open(path));
  Header header = Header::Read(pager);
  TableDef catalog = TableDef::Read(pager, 2, "MSysObjects", true);
  CheckTableIndexes(pager, catalog, header.code_page, result, check_row_counts);
  int id = catalog.FindField("Id"), type = catalog.FindField("Type"),
      name = catalog.FindField("Name");
  if (id < 0 || type < 0 || name < 0) ThrowCorrupt(path, "MSysObjects lacks Id, Name or Type");
  std::vector<std::pair<uint32_t, std::string>> tables;
  RowDecoder decoder(pager, catalog, header.code_page);
  TableScan scan(pager, catalog);
  RowLocation at;
  Value v_id, v_type, v_name;
  while (scan.Next(at)) {
    decoder.Load(pager.page(at.data_page), at.slot);
    decoder.Decode(static_cast<size_t>(type), v_type);
    if (v_type.is_null() || v_type.integer() != 1) continue;  // local tables only
    decoder.Decode(static_cast<size_t>(id), v_id);
    decoder.Decode(static_cast<size_t>(name), v_name);
    uint32_t page = static_cast<uint32_t>(v_id.long_value()) & 0x00FFFFFF;
    if (page == 2) continue;
    tables.emplace_back(page, v_name.is_null() ? std::string() : v_name.text());
  }
  for (const auto& [page, table_name] : tables) {
    TableDef t = TableDef::Read(pager, page, table_name, false);
    CheckTableIndexes(pager, t, header.code_page, result, check_row_counts);
  }
  return result;
}

}  // namespace tolvane::jet
