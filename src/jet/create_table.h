// Writing a new table definition: the TDEF (with continuation pages when long), a page of
// usage-map rows (the table's owned and free-space maps, one per index, two per long-value
// column, all inline), and an empty leaf as the root of each index. The catalog row is the
// caller's business (DatabaseWriter::CreateTable; CreateDatabase for the system tables).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "jet/tdef.h"
#include "jet/write_session.h"

namespace tolvane::jet {

struct IndexSpec {
  std::string name;
  std::vector<std::string> columns;  // ascending
  bool primary = false;
  bool unique = false;
  bool required = false;
};

struct TableSpec {
  std::string name;
  // Name, type, size as DAO reports it (Text in characters); `length`, when set, gives a
  // variable column's stored bytes directly (the system tables' 510-byte binaries).
  std::vector<Field> fields;
  std::vector<IndexSpec> indexes;
  bool system = false;
};

// Checks names and sizes like Access (3125 bad name or size, 3191 a field twice, 3190 no
// or too many fields) and fills in the stored lengths.
std::vector<Field> ValidateFields(const std::vector<Field>& fields);

// Writes the definition at the end of the file; returns its TDEF page.
uint32_t WriteTableDefinition(WriteSession& session, const TableSpec& spec);

}  // namespace tolvane::jet
