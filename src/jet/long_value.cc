#include "jet/long_value.h"

#include <cstring>
#include <unordered_set>

#include "jet/data_page.h"
#include "jet/error.h"

namespace tolvane::jet {

namespace {

uint32_t Le32(const uint8_t* p) { uint32_t v; std::memcpy(&v, p, 4); return v; }

}  // namespace

void ReadLongValue(const Pager& pager, const uint8_t* d, size_t size, std::string& out) {
  if (size == 0) return;
  if (size < 12) ThrowCorrupt(pager.path(), "long-value descriptor shorter than 12 bytes");
  const uint32_t word = Le32(d);
  const uint32_t length = word & 0x3FFFFFFF;
  const uint32_t kind = word & 0xC0000000;
  if (kind == 0x80000000) {
    if (length > size - 12) ThrowCorrupt(pager.path(), "inline long value runs past its row");
    out.append(reinterpret_cast<const char*>(d + 12), length);
    return;
  }
  RowPointer at = RowPointer::FromU32(Le32(d + 4));
  if (kind == 0x40000000) {
    const Page page = pager.page(at.page);
    page.ExpectType(PageType::kData, "a long-value page");
    const RowSlot slot = FindRow(page, pager.jet_version(), at.row);
    const size_t n = std::min<size_t>(length, slot.size());
    out.append(reinterpret_cast<const char*>(page.Bytes(slot.start, n)), n);
    return;
  }
  if (kind != 0) ThrowCorrupt(pager.path(), "long-value descriptor of unknown kind");
  const size_t begin = out.size();
  std::unordered_set<uint64_t> seen;
  while (out.size() - begin < length) {
    if (at.page == 0) ThrowCorrupt(pager.path(), "long-value chain ends before its length");
    if (!seen.insert((uint64_t{at.page} << 8) | at.row).second) {
      ThrowCorrupt(pager.path(), "long-value chain loops at page " + std::to_string(at.page));
    }
    const Page page = pager.page(at.page);
    page.ExpectType(PageType::kData, "a long-value page");
    const RowSlot slot = FindRow(page, pager.jet_version(), at.row);
    if (slot.size() < 4) page.Corrupt("long-value row shorter than its pointer");
    const uint8_t* row = page.Bytes(slot.start, slot.size());
    const size_t n = std::min<size_t>(slot.size() - 4, length - (out.size() - begin));
    out.append(reinterpret_cast<const char*>(row + 4), n);
    at = RowPointer::FromU32(Le32(row));
  }
}

}  // namespace tolvane::jet
