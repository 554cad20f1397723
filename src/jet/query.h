// A small query language, the part of Access SQL the program uses and what naturally
// surrounds it:
//   SELECT t.* | t.col, ... FROM t [WHERE expr] [ORDER BY t.col [ASC|DESC], ...] [;]
// with parentheses, AND, OR, NOT, = <> < > <= >=, IS [NOT] NULL, text in double or single
// quotes (a doubled quote stands for itself), numbers, True, False, Null, and names plain
// or in brackets; keywords and names ignore case.
// Comparisons behave as Access's: text ignores case and trailing blanks; a number compared
// with text is the failure 3464 (Access does not convert); anything compared with Null is
// unknown, and so is NOT of unknown; only rows for which the condition is true are kept.
// ORDER BY sorts text ignoring case, Nulls first, and keeps the storage order of ties.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "jet/recordset.h"

namespace tolvane::jet {

class Database;

// A parsed statement, its names not yet looked up.
struct ColumnRef {
  std::string qualifier;  // empty when the name stands alone
  std::string name;       // "*" for all columns
};

struct Expr;
using ExprPtr = std::unique_ptr<Expr>;

enum class CompareOp { kEq, kNe, kLt, kGt, kLe, kGe };

struct Expr {
  enum class Kind { kLiteral, kColumn, kCompare, kAnd, kOr, kNot, kIsNull, kIsNotNull };
  Kind kind = Kind::kLiteral;
  Value literal;
  ColumnRef column;
  int field = -1;  // once bound: index into the table's fields
  CompareOp op = CompareOp::kEq;
  ExprPtr left, right;
};

struct OrderKey {
  ColumnRef column;
  bool descending = false;
  int field = -1;
};

struct SelectStatement {
  std::vector<ColumnRef> columns;
  std::string table;
  ExprPtr where;  // null without WHERE
  std::string where_text;  // as written, for failure messages
  std::vector<OrderKey> order_by;
};

// Syntax only: 3129 not a SELECT, 3141 a bad column list, 3131 a bad FROM, 3075 a bad
// condition, 3138 a bad ORDER BY, 3142 text after the end.
SelectStatement ParseSelect(std::string_view sql);

// Parses, binds names (3078 unknown table, 3061 unknown columns, 3464 mismatched types),
// selects and sorts.
std::unique_ptr<Recordset> RunQuery(Database& db, std::string_view sql);

}  // namespace tolvane::jet
