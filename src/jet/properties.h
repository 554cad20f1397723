// Object properties, as stored in MSysObjects' LvProp column of a table's catalog row: a
// "MR2\0" (Jet 4) or "KKD\0" (Jet 3) signature, then records (u32 length, u16 type): type
// 0x80 lists the property names (u16 length + name each); types 0x00 and 0x01 are blocks,
// one for the table and one per column, named after it, whose entries (u16 length, u8 flags,
// u8 type, u16 name index, u16 size, value) give property values. Properties are
// decoration (Required, defaults, captions): a blob that does not parse is ignored.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tolvane::jet {

struct Property {
  std::string name;
  uint8_t type = 0;   // stored column type of the value (1 Boolean, 0x0A Text, ...)
  std::string value;  // its bytes as stored
};

struct PropertyBlock {
  std::string name;  // the column's name; the table's block has the table's name or none
  std::vector<Property> properties;
  const Property* Find(std::string_view name) const;
};

// Empty when the blob is not a property list.
std::vector<PropertyBlock> ParseProperties(std::string_view blob, int jet_version);

}  // namespace tolvane::jet
