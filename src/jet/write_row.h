// Building Jet 4 rows from values: values are first made into the column's type as DAO
// would (3421 "Data type conversion error." when they cannot be, 3163 for text longer
// than the column), then laid out as the reader expects: column count, fixed columns at
// their offsets (full width, zeros when null), variable data, the end-of-data offset and
// the variable offsets backwards, their count, and the null mask. Long values of more
// than 64 bytes go to LVAL pages through a LongValueStore.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "jet/data_page.h"
#include "jet/tdef.h"
#include "jet/value.h"

namespace tolvane::jet {

constexpr size_t kMaxJet4Row = 4060;

class LongValueStore {
 public:
  virtual ~LongValueStore() = default;
  // Stores one LVAL row of field `field`; returns where it went.
  virtual RowPointer AddLongValueRow(size_t field, const std::string& bytes) = 0;
  // Largest row an LVAL page takes.
  virtual size_t MaxLongValueRow() const = 0;
};

// `value` in the type of `field`, or the failure 3421 / 3163.
Value CoerceToField(const Field& field, const Value& value);

// UTF-8 to UCS-2 little-endian, as Jet 4 stores text.
std::string ToUcs2(std::string_view utf8);

// The row for `values` (one per field, in TableDef::fields() order, already coerced).
std::string EncodeRow(const TableDef& table, const std::vector<Value>& values,
                      LongValueStore& long_values);

// `row` grown to `size` bytes by zeros between its data and its offset table, where
// readers do not look (an update in place keeps the old row's length).
std::string PadRow(const TableDef& table, const std::string& row, size_t size);

}  // namespace tolvane::jet
