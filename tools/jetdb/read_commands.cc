// The reading commands: tables, schema, export, query.
// export and query write CSV as mdb-export does with its default options: a header line of
// bare column names, text and dates in double quotes (quotes doubled), numbers bare,
// Booleans 1/0, Currency with four decimals, dates MM/DD/YY HH:MM:SS, nulls empty.
#include <charconv>
#include <cinttypes>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "command.h"
#include "jet/database.h"

namespace tolvane::jetdb {
namespace {

using jet::DataType;
using jet::Value;

std::string SchemaType(const jet::Field& f) {
  switch (f.type) {
    case DataType::kBoolean: return "Boolean";
    case DataType::kByte: return "Byte";
    case DataType::kInteger: return "Integer";
    case DataType::kLong: return "Long Integer";
    case DataType::kCurrency: return "Currency";
    case DataType::kSingle: return "Single";
    case DataType::kDouble: return "Double";
    case DataType::kDate: return "DateTime";
    case DataType::kBinary: return "Binary (" + std::to_string(f.size) + ")";
    case DataType::kText: return "Text (" + std::to_string(f.size) + ")";
    case DataType::kLongBinary: return "OLE";
    case DataType::kMemo: return "Memo/Hyperlink";
    case DataType::kGuid: return "Replication ID";
    case DataType::kDecimal:
      return "Numeric (" + std::to_string(f.precision) + ", " + std::to_string(f.scale) + ")";
  }
  return "Unknown";
}

int RunTables(const std::string& file, const std::vector<std::string>& args) {
  bool system = false;
  for (const auto& a : args) {
    if (a == "-S") system = true; else throw UsageError{"unknown option " + a};
  }
  auto db = jet::Database::Open(file);
  std::string out;
  for (const auto& n : db->TableNames(system)) out += n + "\n";
  std::fwrite(out.data(), 1, out.size(), stdout);
  return 0;
}

std::string ColumnList(const std::vector<jet::IndexColumn>& cols, const jet::TableDef& t) {
  std::string s;
  for (const auto& c : cols) {
    if (!s.empty()) s += ", ";
    std::string name = "#" + std::to_string(c.col_num);
    for (const auto& f : t.fields()) {
      if (f.col_num == c.col_num) name = f.name;
    }
    s += "[" + name + "]" + (c.ascending ? "" : " DESC");
  }
  return s;
}

// The column part in mdb-schema's own layout, so the two can be compared line by line;
// then the indexes as comments.
int RunSchema(const std::string& file, const std::vector<std::string>& args) {
  if (args.size() != 1) throw UsageError{"schema needs a table name"};
  auto db = jet::Database::Open(file);
  const jet::TableDef t = db->GetTableDef(args[0]);
  std::string out = "CREATE TABLE [" + t.name() + "]\n (\n";
  for (size_t i = 0; i < t.fields().size(); ++i) {
    const auto& f = t.fields()[i];
    out += "\t[" + f.name + "]\t\t\t" + SchemaType(f);
    // As mdb-schema: Booleans cannot be null; other columns when Required.
    if (f.type == DataType::kBoolean || f.required) out += " NOT NULL";
    out += i + 1 < t.fields().size() ? ", \n" : "\n";
  }
  out += ");\n";
  for (const auto& f : t.fields()) {
    if (f.is_autonumber()) out += "-- autonumber [" + f.name + "]\n";
  }
  for (const auto& x : t.indexes()) {
    out += "-- index [" + x.name + "]";
    if (x.is_primary()) out += " primary key";
    else if (x.is_foreign_key()) out += " foreign key";
    else if (x.unique) out += " unique";
    out += " (" + ColumnList(x.columns, t) + ")\n";
  }
  std::fwrite(out.data(), 1, out.size(), stdout);
  return 0;
}

void AppendQuoted(std::string_view s, std::string& out) {
  out.push_back('"');
  for (size_t q; (q = s.find('"')) != std::string_view::npos; s.remove_prefix(q + 1)) {
    out.append(s.data(), q + 1);
    out.push_back('"');
  }
  out.append(s);
  out.push_back('"');
}

template <typename Int>
void AppendInt(Int v, std::string& out) {
  char buf[24];
  const auto r = std::to_chars(buf, buf + sizeof buf, v);
  out.append(buf, r.ptr);
}

// mdb-export prints floating-point values with %.*g at the type's full precision.
void AppendFloat(double v, int digits, std::string& out) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.*g", digits, v);
  out += buf;
}

void AppendCsvValue(const Value& v, std::string& out) {
  if (v.is_null()) return;
  char buf[64];
  switch (v.type()) {
    case DataType::kBoolean: out.push_back(v.boolean() ? '1' : '0'); return;
    case DataType::kByte: AppendInt(v.byte(), out); return;
    case DataType::kInteger: AppendInt(v.integer(), out); return;
    case DataType::kLong: AppendInt(v.long_value(), out); return;
    case DataType::kCurrency: {
      const int64_t c = v.currency();
      const uint64_t mag = c < 0 ? 0 - static_cast<uint64_t>(c) : static_cast<uint64_t>(c);
      std::snprintf(buf, sizeof buf, "%s%" PRIu64 ".%04" PRIu64, c < 0 ? "-" : "", mag / 10000,
                    mag % 10000);
      out += buf;
      return;
    }
    case DataType::kSingle: AppendFloat(v.single(), 7, out); return;
    case DataType::kDouble: AppendFloat(v.double_value(), 15, out); return;
    case DataType::kDate: AppendQuoted(v.ToText(), out); return;
    case DataType::kDecimal: out += v.decimal().ToString(); return;
    case DataType::kGuid: AppendQuoted(v.ToText(), out); return;
    case DataType::kText: case DataType::kMemo: AppendQuoted(v.text(), out); return;
    case DataType::kBinary: case DataType::kLongBinary: AppendQuoted(v.bytes(), out); return;
  }
}

void WriteCsv(jet::Recordset& rs) {
  std::string out;
  for (int i = 0; i < rs.FieldCount(); ++i) {
    if (i) out.push_back(',');
    out += rs.FieldAt(i).name;
  }
  out.push_back('\n');
  for (; !rs.IsEOF(); rs.MoveNext()) {
    for (int i = 0; i < rs.FieldCount(); ++i) {
      if (i) out.push_back(',');
      AppendCsvValue(rs.ValueAt(i), out);
    }
    out.push_back('\n');
    if (out.size() > (1 << 16)) {
      std::fwrite(out.data(), 1, out.size(), stdout);
      out.clear();
    }
  }
  std::fwrite(out.data(), 1, out.size(), stdout);
}

int RunExport(const std::string& file, const std::vector<std::string>& args) {
  if (args.size() != 1) throw UsageError{"export needs a table name"};
  auto db = jet::Database::Open(file);
  WriteCsv(*db->OpenTable(args[0]));
  return 0;
}

int RunQuery(const std::string& file, const std::vector<std::string>& args) {
  if (args.size() != 1) throw UsageError{"query needs one SQL statement (quote it)"};
  auto db = jet::Database::Open(file);
  WriteCsv(*db->OpenQuery(args[0]));
  return 0;
}

CommandRegistrar tables("tables", "FILE tables [-S]   (-S: system tables too)", &RunTables);
CommandRegistrar schema("schema", "FILE schema TABLE", &RunSchema);
CommandRegistrar export_("export", "FILE export TABLE", &RunExport);
CommandRegistrar query("query", "FILE query \"SELECT ...\"", &RunQuery);

}  // namespace
}  // namespace tolvane::jetdb
