#include "jet/data_page.h"

#include <string>

namespace tolvane::jet {

int RowCount(const Page& page, int jet_version) {
  const size_t at = RowCountOffset(jet_version);
  const int count = page.U16(at);
  if (at + 2 + size_t{2} * count > page.size()) {
    page.Corrupt("row-offset table of page " + std::to_string(page.number()) +
                 " does not fit the page");
  }
  return count;
}

RowSlot FindRow(const Page& page, int jet_version, int row) {
  const int count = RowCount(page, jet_version);
  if (row < 0 || row >= count) {
    page.Corrupt("row " + std::to_string(row) + " of page " + std::to_string(page.number()) +
                 " does not exist");
  }
  const size_t table = RowCountOffset(jet_version) + 2;
  const uint16_t entry = page.U16(table + 2 * row);
  RowSlot slot;
  slot.flags = entry & ~kRowOffsetMask;
  slot.start = entry & kRowOffsetMask;
  slot.end = row == 0 ? page.size() : (page.U16(table + 2 * (row - 1)) & kRowOffsetMask);
  const size_t table_end = table + 2 * count;
  // A deleted row may have been squeezed to nothing; only a live row must be sane.
  if ((slot.flags & kRowDeleted) == 0 &&
      (slot.start < table_end || slot.start > slot.end || slot.end > page.size())) {
    page.Corrupt("row " + std::to_string(row) + " of page " + std::to_string(page.number()) +
                 " lies outside its page (" + std::to_string(slot.start) + ".." +
                 std::to_string(slot.end) + ")");
  }
  return slot;
}

}  // namespace tolvane::jet
