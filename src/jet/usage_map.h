// Usage maps: which pages belong to a table (or an index, or a long-value column), or are
// free. A map is a row of a data page. Type 0 ("inline") holds a start page and a bitmap;
// type 1 ("reference") holds pointers to 0x05 pages whose bitmaps cover consecutive ranges
// of (page size - 4) * 8 pages each. The bitmap's capacity follows the row's real length.
#pragma once

#include <cstdint>
#include <vector>

#include "jet/data_page.h"
#include "jet/pager.h"

namespace tolvane::jet {

// The pages the map at `where` marks, in ascending order. A marked page beyond the end of
// the file, a map row that is not a map or a reference to a page that is not a bitmap page
// is the failure 3049.
std::vector<uint32_t> ReadUsageMap(const Pager& pager, RowPointer where);

}  // namespace tolvane::jet
