#include "jet/table_scan.h"

#include "jet/error.h"
#include "jet/usage_map.h"

namespace tolvane::jet {

TableScan::TableScan(const Pager& pager, const TableDef& table)
    : pager_(pager), table_(table), pages_(ReadUsageMap(pager, table.owned_pages())) {}

void TableScan::Rewind() {
  page_index_ = 0;
  row_ = 0;
  rows_on_page_ = -1;
}

bool TableScan::Resolve(const Pager& pager, uint32_t page_number, uint8_t row,
                        RowLocation& out) {
  out.page = page_number;
  out.row = row;
  // Access points a home row at its latest copy; a chain longer than a few hops is damage.
  for (int hop = 0; hop < 16; ++hop) {
    const Page page = pager.page(page_number);
    page.ExpectType(PageType::kData, "a data page");
    const RowSlot slot = FindRow(page, pager.jet_version(), row);
    if (hop == 0 && (slot.flags & kRowDeleted)) return false;
    if ((slot.flags & kRowOverflow) == 0) {
      out.data_page = page_number;
      out.slot = slot;
      return true;
    }
    if (slot.size() < 4) page.Corrupt("overflow row shorter than its pointer");
    const RowPointer next = RowPointer::FromU32(page.U32(slot.start));
    page_number = next.page;
    row = next.row;
  }
  ThrowCorrupt(pager.path(), "overflow rows point at each other in a loop");
}

bool TableScan::Next(RowLocation& out) {
  const int jet = pager_.jet_version();
  while (page_index_ < pages_.size()) {
    const Page page = pager_.page(pages_[page_index_]);
    if (rows_on_page_ < 0) {
      if (page.type() != static_cast<uint8_t>(PageType::kData) ||
          OwnerOfDataPage(page) != table_.tdef_page()) {
        page.Corrupt("page " + std::to_string(page.number()) + " is in the page map of table '" +
                     table_.name() + "' but is not one of its data pages");
      }
      rows_on_page_ = RowCount(page, jet);
      row_ = 0;
    }
    while (row_ < rows_on_page_) {
      const int row = row_++;
      const size_t table = RowCountOffset(jet) + 2;
      if (page.U16(table + 2 * row) & kRowDeleted) continue;
      if (Resolve(pager_, page.number(), static_cast<uint8_t>(row), out)) return true;
    }
    ++page_index_;
    rows_on_page_ = -1;
  }
  return false;
}

}  // namespace tolvane::jet
