#include "jet/usage_map.h"

#include <string>

namespace tolvane::jet {

namespace {

void CollectBits(const Page& from, const uint8_t* bits, size_t size, uint64_t first_page,
                 uint32_t page_count, std::vector<uint32_t>& out) {
  for (size_t i = 0; i < size; ++i) {
    uint8_t b = bits[i];
    for (int k = 0; b; ++k, b >>= 1) {
      if ((b & 1) == 0) continue;
      const uint64_t page = first_page + i * 8 + k;
      if (page >= page_count) {
        from.Corrupt("usage map on page " + std::to_string(from.number()) + " marks page " +
                     std::to_string(page) + " beyond the end of the file");
      }
      out.push_back(static_cast<uint32_t>(page));
    }
  }
}

}  // namespace

std::vector<uint32_t> ReadUsageMap(const Pager& pager, RowPointer where) {
  const Page page = pager.page(where.page);
  page.ExpectType(PageType::kData, "a data page holding a usage map");
  const RowSlot slot = FindRow(page, pager.jet_version(), where.row);
  if (slot.size() < 5) page.Corrupt("usage map row too short");
  const uint8_t* row = page.Bytes(slot.start, slot.size());
  std::vector<uint32_t> pages;
  if (row[0] == 0) {
    const uint32_t start = page.U32(slot.start + 1);
    CollectBits(page, row + 5, slot.size() - 5, start, pager.page_count(), pages);
  } else if (row[0] == 1) {
    const uint64_t per_page = uint64_t{pager.page_size() - 4} * 8;
    const size_t refs = (slot.size() - 1) / 4;
    for (size_t i = 0; i < refs; ++i) {
      const uint32_t ref = page.U32(slot.start + 1 + 4 * i);
      if (ref == 0) continue;
      const Page bitmap = pager.page(ref);
      if (bitmap.type() != static_cast<uint8_t>(PageType::kUsageMap)) {
        bitmap.Corrupt("usage map refers to page " + std::to_string(ref) +
                       ", which is not a bitmap page");
      }
      CollectBits(bitmap, bitmap.Bytes(4, pager.page_size() - 4), pager.page_size() - 4,
                  i * per_page, pager.page_count(), pages);
    }
  } else {
    page.Corrupt("usage map of unknown type " + std::to_string(row[0]));
  }
  return pages;
}

}  // namespace tolvane::jet
