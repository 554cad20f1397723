// Long values (Memo, OLE): a 12-byte descriptor in the row. Its length's top bits say where
// the bytes are: 0x80 right after the descriptor, 0x40 in one row of an LVAL page, neither
// in a chain of LVAL rows, each starting with the pointer to the next.
#pragma once

#include <cstdint>
#include <string>

#include "jet/pager.h"

namespace tolvane::jet {

// Appends the value's bytes to `out`. A chain that loops, ends early or leaves the file
// is the failure 3049.
void ReadLongValue(const Pager& pager, const uint8_t* descriptor, size_t size, std::string& out);

}  // namespace tolvane::jet
