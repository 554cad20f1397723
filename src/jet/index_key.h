// Index keys: the bytes Jet stores in index entries for a row's key columns. Entries sort
// by plain unsigned byte comparison, so every column is encoded in a form whose byte order
// is the column's sort order: numbers big-endian with the sign folded in, text as sort
// codes of Jet 4's "General legacy" or Jet 3's "General 97" order (case folded), each
// column behind a flag byte that also says ascending (0x7F), descending (0x80) or null.
//
// Characters whose codes this engine does not know (outside printable ASCII) cannot be
// keyed; encoding them fails with a jet::Error, so a writer refuses the change instead of
// storing an entry that Access would place elsewhere.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "jet/value.h"

namespace tolvane::jet {

enum class TextKeyOrder {
  kGeneralLegacy,  // Jet 4, sort order 1033 version 0
  kGeneral97,      // Jet 3
};

// Builds one key column by column, in the index's column order.
class IndexKeyBuilder {
 public:
  explicit IndexKeyBuilder(TextKeyOrder order) : order_(order) {}

  // `value` must be of the column's type (a Text column gets text, a Long column a Long);
  // Booleans and nulls have no payload. Throws jet::Error for a value that cannot be keyed.
  void Add(DataType column_type, const Value& value, bool ascending);

  const std::string& key() const { return key_; }
  std::string Take() { return std::move(key_); }
  void Clear() { key_.clear(); }

 private:
  void AddBigEndian(uint64_t bits, int bytes, bool ascending);
  void AddText(std::string_view utf8, bool ascending);
  void AddLegacyText(std::string_view utf8);
  void Add97Text(std::string_view utf8);

  TextKeyOrder order_;
  std::string key_;
};

// Whether a column of this type can be part of a key this engine writes.
bool IsKeyableType(DataType type);

}  // namespace tolvane::jet
