#include "jet/query.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <numeric>

#include "jet/database.h"
#include "jet/error.h"
#include "jet/text.h"

namespace tolvane::jet {

namespace {

// ---- Lexer ----------------------------------------------------------------------------

enum class Tok {
  kEnd, kName, kBracketName, kString, kNumber, kSymbol,
  kBadString,   // a quote never closed
  kBadBracket,  // a [ never closed
  kBadChar,
};

struct Token {
  Tok kind = Tok::kEnd;
  std::string text;  // names unquoted, strings unescaped, symbols as written
  size_t begin = 0, end = 0;
};

std::vector<Token> Lex(std::string_view s) {
  std::vector<Token> out;
  size_t i = 0;
  while (true) {
    while (i < s.size() && std::isspace(static_cast<unsigned char>(s[i]))) ++i;
    Token t;
    t.begin = i;
    if (i >= s.size()) {
      t.end = i;
      out.push_back(t);
      return out;
    }
    const char c = s[i];
    if (std::isalpha(static_cast<unsigned char>(c)) || c == '_' ||
        static_cast<unsigned char>(c) >= 0x80) {
      size_t j = i;
      while (j < s.size() && (std::isalnum(static_cast<unsigned char>(s[j])) || s[j] == '_' ||
                              static_cast<unsigned char>(s[j]) >= 0x80)) {
        ++j;
      }
      t.kind = Tok::kName;
      t.text = std::string(s.substr(i, j - i));
      i = j;
    } else if (c == '[') {
      const size_t close = s.find(']', i + 1);
      if (close == std::string_view::npos) {
        t.kind = Tok::kBadBracket;
        i = s.size();
      } else {
        t.kind = Tok::kBracketName;
        t.text = std::string(s.substr(i + 1, close - i - 1));
        i = close + 1;
      }
    } else if (c == '"' || c == '\'') {
      size_t j = i + 1;
      bool closed = false;
      while (j < s.size()) {
        if (s[j] == c) {
          if (j + 1 < s.size() && s[j + 1] == c) {
            t.text.push_back(c);
            j += 2;
            continue;
          }
          closed = true;
          ++j;
          break;
        }
        t.text.push_back(s[j++]);
      }
      t.kind = closed ? Tok::kString : Tok::kBadString;
      i = j;
    } else if (std::isdigit(static_cast<unsigned char>(c)) ||
               (c == '.' && i + 1 < s.size() && std::isdigit(static_cast<unsigned char>(s[i + 1])))) {
      size_t j = i;
      while (j < s.size() && std::isdigit(static_cast<unsigned char>(s[j]))) ++j;
      if (j < s.size() && s[j] == '.') {
        ++j;
        while (j < s.size() && std::isdigit(static_cast<unsigned char>(s[j]))) ++j;
      }
      if (j < s.size() && (s[j] == 'e' || s[j] == 'E')) {
        size_t k = j + 1;
        if (k < s.size() && (s[k] == '+' || s[k] == '-')) ++k;
        if (k < s.size() && std::isdigit(static_cast<unsigned char>(s[k]))) {
          while (k < s.size() && std::isdigit(static_cast<unsigned char>(s[k]))) ++k;
          j = k;
        }
      }
      t.kind = Tok::kNumber;
      t.text = std::string(s.substr(i, j - i));
      i = j;
    } else {
      static constexpr std::string_view kTwo[] = {"<>", "<=", ">="};
      t.kind = Tok::kSymbol;
      for (auto two : kTwo) {
        if (s.substr(i, 2) == two) t.text = std::string(two);
      }
      if (t.text.empty()) {
        if (std::string_view("=<>(),.*;-+").find(c) == std::string_view::npos) {
          t.kind = Tok::kBadChar;
        }
        t.text = std::string(1, c);
      }
      i += t.text.size();
    }
    t.end = i;
    out.push_back(std::move(t));
  }
}

// ---- Parser ---------------------------------------------------------------------------

class Parser {
 public:
  explicit Parser(std::string_view sql) : sql_(sql), toks_(Lex(sql)) {}

  SelectStatement Statement() {
    SelectStatement st;
    if (!Keyword("SELECT")) {
      throw Error(errc::kInvalidSql,
                  "Invalid SQL statement; expected 'DELETE', 'INSERT', 'PROCEDURE', 'SELECT', "
                  "or 'UPDATE'.");
    }
    Take();
    SelectList(st);
    if (!Keyword("FROM")) FailSelect();
    Take();
    if (!IsName(Peek()) || IsReserved(Peek())) FailFrom();
    st.table = Take().text;
    // Anything but a clause keyword here (an alias, a join, a comma) is beyond this engine.
    if (!AtClauseEnd() && !Keyword("WHERE") && !Keyword("ORDER")) FailFrom();
    if (Keyword("WHERE")) {
      Take();
      const size_t begin = Peek().begin;
      size_t end = sql_.size();
      for (size_t k = pos_; k < toks_.size(); ++k) {
        if (toks_[k].kind == Tok::kEnd || IsWord(toks_[k], "ORDER") ||
            (toks_[k].kind == Tok::kSymbol && toks_[k].text == ";")) {
          end = toks_[k].begin;
          break;
        }
      }
      st.where_text = std::string(Trim(sql_.substr(begin, end - begin)));
      where_text_ = &st.where_text;
      st.where = Or();
      if (!AtClauseEnd() && !Keyword("ORDER")) FailWhere();
      where_text_ = nullptr;
    }
    if (Keyword("ORDER")) {
      Take();
      if (!Keyword("BY")) FailOrder();
      Take();
      while (true) {
        OrderKey key;
        if (!ColumnName(key.column) || key.column.name == "*") FailOrder();
        if (Keyword("ASC")) {
          Take();
        } else if (Keyword("DESC")) {
          Take();
          key.descending = true;
        }
        st.order_by.push_back(std::move(key));
        if (!Symbol(",")) break;
        Take();
      }
      if (!AtClauseEnd()) FailOrder();
    }
    if (Symbol(";")) Take();
    if (Peek().kind != Tok::kEnd) {
      throw Error(errc::kCharactersAfterEnd, "Characters found after end of SQL statement.");
    }
    return st;
  }

 private:
  static std::string_view Trim(std::string_view s) {
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back()))) s.remove_suffix(1);
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.front()))) s.remove_prefix(1);
    return s;
  }
  const Token& Peek(size_t ahead = 0) const {
    return toks_[std::min(pos_ + ahead, toks_.size() - 1)];
  }
  const Token& Take() {
    const Token& t = Peek();
    if (pos_ < toks_.size() - 1) ++pos_;
    return t;
  }
  static bool IsWord(const Token& t, std::string_view w) {
    return t.kind == Tok::kName && EqualsNoCase(t.text, w);
  }
  bool Keyword(std::string_view w) const { return IsWord(Peek(), w); }
  bool Symbol(std::string_view s) const {
    return Peek().kind == Tok::kSymbol && Peek().text == s;
  }
  bool AtClauseEnd() const { return Peek().kind == Tok::kEnd || Symbol(";"); }
  static bool IsName(const Token& t) {
    return t.kind == Tok::kName || t.kind == Tok::kBracketName;
  }
  static bool IsReserved(const Token& t) {
    if (t.kind != Tok::kName) return false;
    static constexpr std::string_view kWords[] = {"SELECT", "FROM", "WHERE", "ORDER", "BY",
                                                  "AND", "OR", "NOT", "IS", "NULL", "ASC",
                                                  "DESC", "TRUE", "FALSE"};
    for (auto w : kWords) {
      if (EqualsNoCase(t.text, w)) return true;
    }
    return false;
  }

  [[noreturn]] void FailSelect() {
    throw Error(3141,
                "The SELECT statement includes a reserved word or an argument name that is "
                "misspelled or missing, or the punctuation is incorrect.");
  }
  [[noreturn]] void FailFrom() {
    throw Error(errc::kSyntaxInFrom, "Syntax error in FROM clause.");
  }
  [[noreturn]] void FailOrder() {
    throw Error(errc::kSyntaxInOrderBy, "Syntax error in ORDER BY clause.");
  }
  [[noreturn]] void FailWhere() {
    const std::string text = where_text_ ? *where_text_ : std::string();
    for (const Token& t : toks_) {
      if (t.kind == Tok::kBadString) {
        throw Error(errc::kSyntaxInQuery,
                    "Syntax error in string in query expression '" + text + "'.");
      }
    }
    throw Error(errc::kSyntaxInQuery,
                "Syntax error (missing operator) in query expression '" + text + "'.");
  }

  // name | name.name | name.* | *
  bool ColumnName(ColumnRef& out) {
    if (Symbol("*")) {
      Take();
      out.name = "*";
      return true;
    }
    if (!IsName(Peek()) || IsReserved(Peek())) return false;
    out.name = Take().text;
    if (Symbol(".")) {
      Take();
      out.qualifier = std::move(out.name);
      out.name.clear();
      if (Symbol("*")) {
        Take();
        out.name = "*";
      } else if (IsName(Peek())) {
        out.name = Take().text;
      } else {
        return false;
      }
    }
    return true;
  }

  void SelectList(SelectStatement& st) {
    while (true) {
      ColumnRef c;
      if (!ColumnName(c)) FailSelect();
      st.columns.push_back(std::move(c));
      if (!Symbol(",")) break;
      Take();
    }
  }

  ExprPtr Or() {
    ExprPtr left = And();
    while (Keyword("OR")) {
      Take();
      auto e = std::make_unique<Expr>();
      e->kind = Expr::Kind::kOr;
      e->left = std::move(left);
      e->right = And();
      left = std::move(e);
    }
    return left;
  }
  ExprPtr And() {
    ExprPtr left = Not();
    while (Keyword("AND")) {
      Take();
      auto e = std::make_unique<Expr>();
      e->kind = Expr::Kind::kAnd;
      e->left = std::move(left);
      e->right = Not();
      left = std::move(e);
    }
    return left;
  }
  ExprPtr Not() {
    if (Keyword("NOT")) {
      Take();
      auto e = std::make_unique<Expr>();
      e->kind = Expr::Kind::kNot;
      e->left = Not();
      return e;
    }
    return Comparison();
  }
  ExprPtr Comparison() {
    ExprPtr left = Primary();
    if (Keyword("IS")) {
      Take();
      bool negated = false;
      if (Keyword("NOT")) {
        Take();
        negated = true;
      }
      if (!Keyword("NULL")) FailWhere();
      Take();
      auto e = std::make_unique<Expr>();
      e->kind = negated ? Expr::Kind::kIsNotNull : Expr::Kind::kIsNull;
      e->left = std::move(left);
      return e;
    }
    static const std::pair<std::string_view, CompareOp> kOps[] = {
        {"=", CompareOp::kEq}, {"<>", CompareOp::kNe}, {"<", CompareOp::kLt},
        {">", CompareOp::kGt}, {"<=", CompareOp::kLe}, {">=", CompareOp::kGe}};
    for (const auto& [text, op] : kOps) {
      if (Symbol(text)) {
        Take();
        auto e = std::make_unique<Expr>();
        e->kind = Expr::Kind::kCompare;
        e->op = op;
        e->left = std::move(left);
        e->right = Primary();
        return e;
      }
    }
    return left;
  }
  ExprPtr Primary() {
    auto e = std::make_unique<Expr>();
    const Token& t = Peek();
    if (t.kind == Tok::kSymbol && t.text == "(") {
      Take();
      ExprPtr inner = Or();
      if (!Symbol(")")) FailWhere();
      Take();
      return inner;
    }
    if (t.kind == Tok::kString) {
      e->literal = Value::Text(Take().text);
      return e;
    }
    bool negative = false;
    if (t.kind == Tok::kSymbol && (t.text == "-" || t.text == "+")) {
      negative = Take().text == "-";
      if (Peek().kind != Tok::kNumber) FailWhere();
    }
    if (Peek().kind == Tok::kNumber) {
      const std::string text = Take().text;
      const bool whole = text.find_first_of(".eE") == std::string::npos;
      const double d = std::strtod(text.c_str(), nullptr) * (negative ? -1 : 1);
      if (whole && d >= -2147483648.0 && d <= 2147483647.0) {
        e->literal = Value::Long(static_cast<int32_t>(d));
      } else {
        e->literal = Value::Double(d);
      }
      return e;
    }
    if (Keyword("TRUE") || Keyword("FALSE")) {
      e->literal = Value::Boolean(Keyword("TRUE"));
      Take();
      return e;
    }
    if (Keyword("NULL")) {
      Take();
      e->literal = Value::Null();
      return e;
    }
    if (IsName(t) && !IsReserved(t)) {
      e->kind = Expr::Kind::kColumn;
      if (!ColumnName(e->column) || e->column.name == "*") FailWhere();
      return e;
    }
    FailWhere();
  }

  std::string_view sql_;
  std::vector<Token> toks_;
  size_t pos_ = 0;
  const std::string* where_text_ = nullptr;
};

// ---- Binding --------------------------------------------------------------------------

enum class Kind { kAny, kText, kNumber, kBinary, kGuid };

Kind KindOf(DataType t) {
  switch (t) {
    case DataType::kText: case DataType::kMemo: return Kind::kText;
    case DataType::kBinary: case DataType::kLongBinary: return Kind::kBinary;
    case DataType::kGuid: return Kind::kGuid;
    default: return Kind::kNumber;
  }
}

class Binder {
 public:
  explicit Binder(const TableDef& t) : table_(t) {}

  int Resolve(const ColumnRef& c) {
    if (!c.qualifier.empty() && !EqualsNoCase(c.qualifier, table_.name())) {
      Unknown(c.qualifier + "." + c.name);
      return -1;
    }
    const int i = table_.FindField(c.name);
    if (i < 0) Unknown(c.qualifier.empty() ? c.name : c.qualifier + "." + c.name);
    return i;
  }

  // Binds names and returns the kind of value the expression gives.
  Kind Bind(Expr& e) {
    switch (e.kind) {
      case Expr::Kind::kLiteral:
        return e.literal.is_null() ? Kind::kAny : KindOf(e.literal.type());
      case Expr::Kind::kColumn:
        e.field = Resolve(e.column);
        return e.field < 0 ? Kind::kAny : KindOf(table_.fields()[e.field].type);
      case Expr::Kind::kCompare: {
        const Kind a = Bind(*e.left);
        const Kind b = Bind(*e.right);
        if (a != Kind::kAny && b != Kind::kAny && a != b) Mismatch();
        return Kind::kNumber;
      }
      case Expr::Kind::kAnd: case Expr::Kind::kOr:
        Condition(*e.left);
        Condition(*e.right);
        return Kind::kNumber;
      case Expr::Kind::kNot:
        Condition(*e.left);
        return Kind::kNumber;
      case Expr::Kind::kIsNull: case Expr::Kind::kIsNotNull:
        Bind(*e.left);
        return Kind::kNumber;
    }
    return Kind::kAny;
  }

  // A value used as a condition must be a number (or Boolean).
  void Condition(Expr& e) {
    const Kind k = Bind(e);
    if (k != Kind::kNumber && k != Kind::kAny) Mismatch();
  }

  [[noreturn]] static void Mismatch() {
    throw Error(errc::kTypeMismatchInCriteria, "Data type mismatch in criteria expression.");
  }

  void CheckUnknown() const {
    if (!unknown_.empty()) {
      throw Error(errc::kTooFewParameters,
                  "Too few parameters. Expected " + std::to_string(unknown_.size()) + ".", "DAO.Database",
                  unknown_.front());
    }
  }

 private:
  void Unknown(const std::string& name) {
    for (const auto& u : unknown_) {
      if (EqualsNoCase(u, name)) return;
    }
    unknown_.push_back(name);
  }

  const TableDef& table_;
  std::vector<std::string> unknown_;
};

// ---- Evaluation -----------------------------------------------------------------------

enum class Truth { kFalse, kTrue, kUnknown };

std::string_view TrimTrailingBlanks(std::string_view s) {
  while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
  return s;
}

// Both values non-null and of one kind.
int CompareValues(const Value& a, const Value& b) {
  if (a.is_text()) return CompareTextNoCase(TrimTrailingBlanks(a.text()), TrimTrailingBlanks(b.text()));
  if (KindOf(a.type()) == Kind::kNumber) {
    const double x = a.AsDouble(), y = b.AsDouble();
    return x < y ? -1 : x > y ? 1 : 0;
  }
  const auto x = a.bytes(), y = b.bytes();
  return x < y ? -1 : x > y ? 1 : 0;
}

class Evaluator {
 public:
  Evaluator(RowDecoder& decoder, size_t fields)
      : decoder_(decoder), values_(fields), stamp_(fields, 0) {}

  void NextRow() { ++generation_; }

  const Value& Field(int i) {
    if (stamp_[i] != generation_) {
      decoder_.Decode(i, values_[i]);
      stamp_[i] = generation_;
    }
    return values_[i];
  }

  Truth Test(const Expr& e) {
    switch (e.kind) {
      case Expr::Kind::kAnd: {
        const Truth a = Test(*e.left);
        if (a == Truth::kFalse) return a;
        const Truth b = Test(*e.right);
        if (b == Truth::kFalse) return b;
        return a == Truth::kTrue && b == Truth::kTrue ? Truth::kTrue : Truth::kUnknown;
      }
      case Expr::Kind::kOr: {
        const Truth a = Test(*e.left);
        if (a == Truth::kTrue) return a;
        const Truth b = Test(*e.right);
        if (b == Truth::kTrue) return b;
        return a == Truth::kFalse && b == Truth::kFalse ? Truth::kFalse : Truth::kUnknown;
      }
      case Expr::Kind::kNot: {
        const Truth a = Test(*e.left);
        return a == Truth::kUnknown ? a : a == Truth::kTrue ? Truth::kFalse : Truth::kTrue;
      }
      case Expr::Kind::kIsNull: case Expr::Kind::kIsNotNull: {
        const bool null = IsNull(*e.left);
        return null == (e.kind == Expr::Kind::kIsNull) ? Truth::kTrue : Truth::kFalse;
      }
      case Expr::Kind::kCompare: {
        Value scratch_a, scratch_b;
        const Value& a = Operand(*e.left, scratch_a);
        const Value& b = Operand(*e.right, scratch_b);
        if (a.is_null() || b.is_null()) return Truth::kUnknown;
        const int c = CompareValues(a, b);
        bool r = false;
        switch (e.op) {
          case CompareOp::kEq: r = c == 0; break;
          case CompareOp::kNe: r = c != 0; break;
          case CompareOp::kLt: r = c < 0; break;
          case CompareOp::kGt: r = c > 0; break;
          case CompareOp::kLe: r = c <= 0; break;
          case CompareOp::kGe: r = c >= 0; break;
        }
        return r ? Truth::kTrue : Truth::kFalse;
      }
      case Expr::Kind::kLiteral: case Expr::Kind::kColumn: {
        Value scratch;
        const Value& v = Operand(e, scratch);
        if (v.is_null()) return Truth::kUnknown;
        return v.AsDouble() != 0 ? Truth::kTrue : Truth::kFalse;
      }
    }
    return Truth::kUnknown;
  }

 private:
  bool IsNull(const Expr& e) {
    Value scratch;
    return Operand(e, scratch).is_null();
  }
  // A value: a literal, a column, or a condition as Access's True (-1) / False (0) / Null.
  const Value& Operand(const Expr& e, Value& scratch) {
    if (e.kind == Expr::Kind::kLiteral) return e.literal;
    if (e.kind == Expr::Kind::kColumn) return Field(e.field);
    const Truth t = Test(e);
    if (t == Truth::kUnknown) scratch.SetNull(DataType::kBoolean);
    else scratch.SetBoolean(t == Truth::kTrue);
    return scratch;
  }

  RowDecoder& decoder_;
  std::vector<Value> values_;
  std::vector<uint32_t> stamp_;
  uint32_t generation_ = 1;
};

}  // namespace

SelectStatement ParseSelect(std::string_view sql) { return Parser(sql).Statement(); }

std::unique_ptr<Recordset> RunQuery(Database& db, std::string_view sql) {
  SelectStatement st = ParseSelect(sql);
  auto table = db.FindTable(st.table);
  if (!table) ThrowInputTableNotFound(st.table);
  const TableDef& def = *table;

  Binder binder(def);
  std::vector<int> columns;
  for (const auto& c : st.columns) {
    if (c.name == "*") {
      if (!c.qualifier.empty() && !EqualsNoCase(c.qualifier, def.name())) {
        ThrowInputTableNotFound(c.qualifier);
      }
      for (size_t i = 0; i < def.fields().size(); ++i) columns.push_back(static_cast<int>(i));
    } else {
      columns.push_back(binder.Resolve(c));
    }
  }
  if (st.where) binder.Condition(*st.where);
  for (auto& k : st.order_by) k.field = binder.Resolve(k.column);
  binder.CheckUnknown();

  const Pager& pager = db.pager();
  RowDecoder decoder(pager, def, db.header().code_page);
  Evaluator eval(decoder, def.fields().size());
  TableScan scan(pager, def);
  std::vector<RowLocation> rows;
  std::vector<Value> keys;  // rows × order keys
  RowLocation at;
  while (scan.Next(at)) {
    decoder.Load(pager.page(at.data_page), at.slot);
    eval.NextRow();
    if (st.where && eval.Test(*st.where) != Truth::kTrue) continue;
    rows.push_back(at);
    for (const auto& k : st.order_by) keys.push_back(eval.Field(k.field));
  }
  if (!st.order_by.empty() && rows.size() > 1) {
    const size_t nk = st.order_by.size();
    std::vector<size_t> order(rows.size());
    std::iota(order.begin(), order.end(), size_t{0});
    std::stable_sort(order.begin(), order.end(), [&](size_t x, size_t y) {
      for (size_t k = 0; k < nk; ++k) {
        const Value& a = keys[x * nk + k];
        const Value& b = keys[y * nk + k];
        int c;
        if (a.is_null() || b.is_null()) {
          c = a.is_null() == b.is_null() ? 0 : a.is_null() ? -1 : 1;
        } else {
          c = CompareValues(a, b);
        }
        if (st.order_by[k].descending) c = -c;
        if (c != 0) return c < 0;
      }
      return false;
    });
    std::vector<RowLocation> sorted;
    sorted.reserve(rows.size());
    for (size_t i : order) sorted.push_back(rows[i]);
    rows = std::move(sorted);
  }
  return std::make_unique<QueryRecordset>(db.shared_pager(), table, db.header().code_page,
                                          std::move(columns), std::move(rows));
}

}  // namespace tolvane::jet
