// The system catalog, MSysObjects, whose definition is always on page 2. Every object of
// the database is a row; tables are the rows of type 1 and their Id's low 24 bits name the
// TDEF page. The catalog is read by a full scan in storage order, which is the order
// Access's own tools list tables in.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "jet/pager.h"

namespace tolvane::jet {

constexpr uint32_t kCatalogTdefPage = 2;
constexpr int16_t kObjectTable = 1;

struct CatalogEntry {
  int32_t id = 0;
  int32_t parent_id = 0;
  std::string name;
  int16_t type = 0;
  uint32_t flags = 0;
  uint32_t page = 0;  // catalog row, for writers
  uint8_t row = 0;

  uint32_t tdef_page() const { return static_cast<uint32_t>(id) & 0x00FFFFFF; }
  bool is_table() const { return (type & 0x7F) == kObjectTable; }
  // Access hides these: flagged as system (0x80000000) or hidden (0x00000002), or MSys*.
  bool is_system() const;
};

std::vector<CatalogEntry> ReadCatalog(const Pager& pager, uint16_t code_page);

}  // namespace tolvane::jet
