// What independent readers (mdb-reader, mdbtools' mdb-export) and this engine's own reader
// read back from a file, as one canonical text per value, so that a test can compare all
// three with what it wrote. Tests skip when the external readers are not installed.
#pragma once

#include <string>
#include <vector>

#include "jet/tdef.h"
#include "jet/value.h"

namespace tolvane::jet::testing {

using Rows = std::vector<std::vector<std::string>>;

// The canonical text of a value of a column: "\N" for null; numbers so that equal
// values give equal texts; dates to the second; bytes as hex.
std::string Canonical(const Field& field, const Value& value);

// Empty when mdb-export, node or mdb-reader is missing; else why not.
bool ExternalReadersAvailable(std::string* why = nullptr);

Rows RowsFromOurReader(const std::string& path, const std::string& table);
Rows RowsFromMdbReader(const std::string& path, const std::string& table,
                       const std::vector<Field>& fields);
std::vector<std::string> TablesFromMdbReader(const std::string& path);
// mdb-export's rows; only the columns whose export is exact are kept (texts, whole
// numbers, Booleans, bytes); the others read "-".
Rows RowsFromMdbExport(const std::string& path, const std::string& table,
                       const std::vector<Field>& fields);
// `rows` with only those columns.
Rows ExactForMdbExport(const Rows& rows, const std::vector<Field>& fields);

}  // namespace tolvane::jet::testing
