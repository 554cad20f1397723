// Data pages: the row-offset table. Rows are packed downward from the page's end, so row n
// runs from its offset to the offset of row n-1 (row 0: to the end of the page). The top
// bits of an offset entry flag the row: 0x8000 deleted (or a moved copy reached only through
// its pointer), 0x4000 an overflow pointer to where the row now lives.
#pragma once

#include <cstdint>

#include "jet/pager.h"

namespace tolvane::jet {

constexpr uint16_t kRowDeleted = 0x8000;
constexpr uint16_t kRowOverflow = 0x4000;
constexpr uint16_t kRowOffsetMask = 0x1FFF;

struct RowSlot {
  uint32_t start = 0;  // within the page
  uint32_t end = 0;    // one past the last byte
  uint16_t flags = 0;
  uint32_t size() const { return end - start; }
};

inline size_t RowCountOffset(int jet_version) { return jet_version == 3 ? 8 : 12; }

// Number of entries in the row-offset table; 3049 when the table would not fit the page.
int RowCount(const Page& page, int jet_version);

// Row `row` of a data page, its bounds checked to lie between the offset table and the end.
RowSlot FindRow(const Page& page, int jet_version, int row);

// TDEF page a data page belongs to.
inline uint32_t OwnerOfDataPage(const Page& page) { return page.U32(4); }

// A row pointer as TDEFs, usage maps and overflow rows store it: row byte, 3-byte page.
struct RowPointer {
  uint32_t page = 0;
  uint8_t row = 0;
  static RowPointer FromU32(uint32_t v) { return {v >> 8, static_cast<uint8_t>(v & 0xFF)}; }
};

}  // namespace tolvane::jet
