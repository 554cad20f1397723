// Table definitions (TDEF pages). A TDEF may span several pages chained through +4; the
// continuation pages carry on at +8, so the definition is read as one concatenated block.
// It lists the columns (not stored in column order), the physical indexes (B-trees) and
// the logical indexes (what Access shows, each naming a physical one), and the usage maps
// of the table's pages.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "jet/data_page.h"
#include "jet/pager.h"
#include "jet/properties.h"
#include "jet/value.h"

namespace tolvane::jet {

// Column flags as stored.
constexpr uint8_t kColumnFixed = 0x01;
constexpr uint8_t kColumnAutoNumber = 0x04;
constexpr uint8_t kColumnGuidAutoNumber = 0x40;
constexpr uint8_t kColumnHyperlink = 0x80;

struct Field {
  std::string name;
  DataType type = DataType::kText;
  int size = 0;  // as DAO reports it: Text in characters, Memo and OLE 0

  uint8_t stored_type = 0;  // the type byte of the column block
  uint16_t col_num = 0;     // position in rows' null mask; gaps where columns were deleted
  uint16_t var_index = 0;   // slot in rows' variable-offset table (variable columns)
  uint16_t fixed_offset = 0;
  uint16_t length = 0;      // stored length in bytes
  uint8_t flags = 0;
  uint8_t ext_flags = 0;
  uint8_t precision = 0;    // Numeric
  uint8_t scale = 0;
  uint16_t sort_order = 0;  // text
  uint16_t code_page = 0;   // Jet 3 text
  bool required = false;    // the column's Required property (from the catalog's LvProp)

  bool is_fixed() const { return flags & kColumnFixed; }
  bool is_autonumber() const { return flags & (kColumnAutoNumber | kColumnGuidAutoNumber); }
  bool is_long_value() const {
    return type == DataType::kMemo || type == DataType::kLongBinary;
  }
  bool compressed_unicode() const { return ext_flags & 0x01; }
};

struct IndexColumn {
  uint16_t col_num = 0;
  bool ascending = true;
};

// A B-tree of the file.
struct PhysicalIndex {
  int number = 0;
  std::vector<IndexColumn> columns;
  RowPointer usage_map;
  uint32_t root_page = 0;
  uint8_t flags = 0;  // 0x01 unique, 0x02 ignore nulls, 0x08 required
  uint32_t unique_entry_count = 0;
  size_t block_offset = 0;  // offset of its block in the TDEF, for writers
};

// An index as Access lists it; several may share one physical index.
struct Index {
  std::string name;
  int number = 0;
  int physical = 0;  // index into TableDef::physical_indexes()
  uint8_t kind = 0;  // 1 primary key, 2 foreign key
  bool is_primary() const { return kind == 1; }
  bool is_foreign_key() const { return kind == 2; }
  // Filled from the physical index for convenience.
  std::vector<IndexColumn> columns;
  bool unique = false;
};

class TableDef {
 public:
  // Reads the TDEF starting at `page`; 3049 for a page that is not one, a chain that loops
  // or leaves the file, or a block whose lengths run past its end.
  static TableDef Read(const Pager& pager, uint32_t page, std::string name, bool is_system);

  const std::string& name() const { return name_; }
  bool is_system() const { return is_system_; }
  // In column order (by col_num), the order Access shows.
  const std::vector<Field>& fields() const { return fields_; }
  const std::vector<Index>& indexes() const { return indexes_; }
  const std::vector<PhysicalIndex>& physical_indexes() const { return physical_; }

  uint32_t tdef_page() const { return tdef_page_; }
  const std::vector<uint32_t>& tdef_pages() const { return tdef_pages_; }  // the chain
  uint32_t row_count() const { return row_count_; }
  uint32_t next_autonumber() const { return next_autonumber_; }
  uint16_t max_cols() const { return max_cols_; }
  uint16_t var_cols() const { return var_cols_; }
  RowPointer owned_pages() const { return owned_pages_; }
  RowPointer free_space_pages() const { return free_space_pages_; }
  uint8_t table_type() const { return table_type_; }

  // -1 when no field has that name (compared case-insensitively).
  int FindField(std::string_view name) const;

  // Takes what the table's properties say of its columns (Required).
  void ApplyProperties(const std::vector<PropertyBlock>& blocks);

 private:
  std::string name_;
  bool is_system_ = false;
  std::vector<Field> fields_;
  std::vector<Index> indexes_;
  std::vector<PhysicalIndex> physical_;
  uint32_t tdef_page_ = 0;
  std::vector<uint32_t> tdef_pages_;
  uint32_t row_count_ = 0;
  uint32_t next_autonumber_ = 0;
  uint16_t max_cols_ = 0;
  uint16_t var_cols_ = 0;
  RowPointer owned_pages_;
  RowPointer free_space_pages_;
  uint8_t table_type_ = 0;
};

// DAO's type for a stored column type byte; false for a type this engine does not know.
bool DataTypeFromStored(uint8_t stored, DataType& out);

}  // namespace tolvane::jet
