// jetdb commands that change files, and the index check that every change must pass.
// Values are given as text and converted to the column's type as DAO converts them;
// \N stands for null, and 0x... gives the bytes of Binary and OLE values.
#include <cstdio>
#include <fstream>
#include <sstream>

#include "command.h"
#include "jet/create_database.h"
#include "jet/error.h"
#include "jet/index_verify.h"
#include "jet/table_scan.h"
#include "jet/write_database.h"

namespace tolvane::jetdb {
namespace {

using jet::DataType;

bool ParseType(const std::string& word, jet::Field& f) {
  static const struct { const char* name; DataType type; } kTypes[] = {
      {"Boolean", DataType::kBoolean}, {"Byte", DataType::kByte}, {"Integer", DataType::kInteger},
      {"Long", DataType::kLong}, {"Currency", DataType::kCurrency}, {"Single", DataType::kSingle},
      {"Double", DataType::kDouble}, {"Date", DataType::kDate}, {"Binary", DataType::kBinary},
      {"Text", DataType::kText}, {"OLE", DataType::kLongBinary}, {"Memo", DataType::kMemo},
      {"GUID", DataType::kGuid}, {"Decimal", DataType::kDecimal}};
  std::string w = jet::FoldName(word);
  if (w == "AUTONUMBER") {
    f.type = DataType::kLong;
    f.flags |= jet::kColumnAutoNumber;
    return true;
  }
  for (const auto& t : kTypes) {
    if (jet::FoldName(t.name) == w) {
      f.type = t.type;
      return true;
    }
  }
  return false;
}

// name:type[:size]
jet::Field ParseField(const std::string& spec) {
  jet::Field f;
  size_t a = spec.find(':');
  if (a == std::string::npos) throw UsageError{"field '" + spec + "' should be name:type[:size]"};
  size_t b = spec.find(':', a + 1);
  f.name = spec.substr(0, a);
  std::string type = spec.substr(a + 1, b == std::string::npos ? std::string::npos : b - a - 1);
  if (!ParseType(type, f)) throw UsageError{"unknown type '" + type + "'"};
  if (b != std::string::npos) {
    std::string size = spec.substr(b + 1);
    if (f.type == DataType::kDecimal && size.find('.') != std::string::npos) {
      f.precision = static_cast<uint8_t>(std::stoi(size.substr(0, size.find('.'))));
      f.scale = static_cast<uint8_t>(std::stoi(size.substr(size.find('.') + 1)));
    } else {
      f.size = std::stoi(size);
    }
  }
  return f;
}

jet::Value ParseValue(const std::string& text) {
  jet::Value v;
  if (text == "\\N") return v;
  if (text.size() >= 2 && text[0] == '0' && text[1] == 'x') {
    std::string bytes;
    for (size_t i = 2; i + 1 < text.size(); i += 2) {
      bytes.push_back(static_cast<char>(std::stoi(text.substr(i, 2), nullptr, 16)));
    }
    v.SetBinary(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
    return v;
  }
  v.SetText(text);
  return v;
}

int CheckIndexes(const std::string& file, const std::vector<std::string>& args) {
  bool counts = !args.empty() && args[0] == "--counts";
  if (args.size() > (counts ? 1u : 0u)) throw UsageError{"unexpected arguments"};
  jet::IndexCheckResult r = jet::CheckAllIndexes(file, counts);
  for (const auto& p : r.problems) std::fprintf(stderr, "%s\n", p.c_str());
  std::printf("%d indexes, %d entries checked, %zu problems\n", r.indexes_checked,
              r.entries_checked, r.problems.size());
  return r.problems.empty() ? 0 : 1;
}

int Create(const std::string& file, const std::vector<std::string>& args) {
  if (!args.empty()) throw UsageError{"no arguments expected"};
  jet::CreateDatabase(file);
  return 0;
}

int CreateTable(const std::string& file, const std::vector<std::string>& args) {
  if (args.size() < 2) throw UsageError{"a table name and at least one field are needed"};
  std::vector<jet::Field> fields;
  for (size_t i = 1; i < args.size(); ++i) fields.push_back(ParseField(args[i]));
  jet::DatabaseWriter(file).CreateTable(args[0], fields);
  return 0;
}

int Insert(const std::string& file, const std::vector<std::string>& args) {
  if (args.empty()) throw UsageError{"a table name is needed"};
  jet::DatabaseWriter db(file);
  jet::TableWriter& t = db.Table(args[0]);
  if (args.size() - 1 != t.table().fields().size()) {
    throw UsageError{"table " + args[0] + " has " + std::to_string(t.table().fields().size()) + " fields"};
  }
  std::vector<jet::Value> values;
  for (size_t i = 1; i < args.size(); ++i) values.push_back(ParseValue(args[i]));
  t.Insert(values);
  return 0;
}

// The home of the n-th row in storage order.
jet::RowHome NthRow(jet::DatabaseWriter& db, jet::TableWriter& t, long n) {
  jet::TableScan scan(db.session().pager(), t.table());
  jet::RowLocation at;
  for (long i = 0; scan.Next(at); ++i) {
    if (i == n) return {at.page, at.row};
  }
  throw jet::Error(jet::errc::kNoCurrentRecord, "No current record.", "DAO.Recordset");
}

int Update(const std::string& file, const std::vector<std::string>& args) {
  if (args.size() < 3) throw UsageError{"table, row number and col=value pairs are needed"};
  jet::DatabaseWriter db(file);
  jet::TableWriter& t = db.Table(args[0]);
  jet::RowHome home = NthRow(db, t, std::stol(args[1]));
  std::vector<jet::Value> values = t.Read(home);
  for (size_t i = 2; i < args.size(); ++i) {
    size_t eq = args[i].find('=');
    if (eq == std::string::npos) throw UsageError{"'" + args[i] + "' should be col=value"};
    int f = t.table().FindField(args[i].substr(0, eq));
    if (f < 0) throw jet::Error(jet::errc::kItemNotFound, "Item not found in this collection.", "DAO.Fields", args[i]);
    values[f] = ParseValue(args[i].substr(eq + 1));
  }
  t.Update(home, values);
  return 0;
}

int DeleteRow(const std::string& file, const std::vector<std::string>& args) {
  if (args.size() != 2) throw UsageError{"table and row number are needed"};
  jet::DatabaseWriter db(file);
  jet::TableWriter& t = db.Table(args[0]);
  t.Delete(NthRow(db, t, std::stol(args[1])));
  return 0;
}

int Drop(const std::string& file, const std::vector<std::string>& args) {
  if (args.size() != 1) throw UsageError{"a table name is needed"};
  jet::DatabaseWriter(file).DeleteTable(args[0]);
  return 0;
}

int RenameColumn(const std::string& file, const std::vector<std::string>& args) {
  if (args.size() != 3) throw UsageError{"table, old and new name are needed"};
  jet::DatabaseWriter(file).RenameColumn(args[0], args[1], args[2]);
  return 0;
}

// One CSV record (RFC 4180 quoting); unquoted empty fields are null.
bool ReadCsvRecord(std::istream& in, std::vector<std::string>& out, std::vector<bool>& quoted) {
  out.clear();
  quoted.clear();
  std::string field;
  bool in_quotes = false, was_quoted = false, any = false;
  for (int c; (c = in.get()) != EOF;) {
    any = true;
    if (in_quotes) {
      if (c == '"') {
        if (in.peek() == '"') { field.push_back('"'); in.get(); } else in_quotes = false;
      } else {
        field.push_back(static_cast<char>(c));
      }
    } else if (c == '"') {
      in_quotes = was_quoted = true;
    } else if (c == ',') {
      out.push_back(field); quoted.push_back(was_quoted); field.clear(); was_quoted = false;
    } else if (c == '\n') {
      break;
    } else if (c != '\r') {
      field.push_back(static_cast<char>(c));
    }
  }
  if (!any) return false;
  out.push_back(field);
  quoted.push_back(was_quoted);
  return true;
}

int Import(const std::string& file, const std::vector<std::string>& args) {
  if (args.size() != 2) throw UsageError{"a table name and a CSV file are needed"};
  std::ifstream in(args[1], std::ios::binary);
  if (!in) throw UsageError{"cannot read " + args[1]};
  std::vector<std::string> header, record;
  std::vector<bool> quoted;
  if (!ReadCsvRecord(in, header, quoted)) throw UsageError{"empty CSV file"};
  jet::DatabaseWriter db(file);
  bool exists = false;
  for (const auto& e : db.Catalog()) exists = exists || (e.is_table() && jet::FoldName(e.name) == jet::FoldName(args[0]));
  if (!exists) {
    std::vector<jet::Field> fields;
    for (const auto& h : header) fields.push_back(ParseField(h));
    db.CreateTable(args[0], fields);
  }
  jet::TableWriter& t = db.Table(args[0]);
  // Columns by header name (the part before any ':'); missing ones stay null.
  std::vector<int> target;
  for (const auto& h : header) {
    int f = t.table().FindField(h.substr(0, h.find(':')));
    if (f < 0) throw jet::Error(jet::errc::kItemNotFound, "Item not found in this collection.", "DAO.Fields", h);
    target.push_back(f);
  }
  long rows = 0;
  while (ReadCsvRecord(in, record, quoted)) {
    if (record.size() == 1 && record[0].empty() && !quoted[0]) continue;  // blank line
    if (record.size() != header.size()) throw UsageError{"record " + std::to_string(rows + 1) + " has " + std::to_string(record.size()) + " fields"};
    std::vector<jet::Value> values(t.table().fields().size());
    for (size_t i = 0; i < record.size(); ++i) {
      if (!record[i].empty() || quoted[i]) values[target[i]] = ParseValue(record[i]);
    }
    t.Insert(values);
    ++rows;
  }
  std::printf("%ld rows imported\n", rows);
  return 0;
}

CommandRegistrar check_indexes("check-indexes", "FILE check-indexes [--counts]", CheckIndexes);
CommandRegistrar create("create", "FILE create", Create);
CommandRegistrar create_table("create-table", "FILE create-table TABLE name:type[:size]...", CreateTable);
CommandRegistrar insert("insert", "FILE insert TABLE VALUE...", Insert);
CommandRegistrar update("update", "FILE update TABLE ROW col=value...", Update);
CommandRegistrar delete_row("delete-row", "FILE delete-row TABLE ROW", DeleteRow);
CommandRegistrar drop("drop", "FILE drop TABLE", Drop);
CommandRegistrar rename_column("rename-column", "FILE rename-column TABLE OLD NEW", RenameColumn);
CommandRegistrar import("import", "FILE import TABLE CSV", Import);

}  // namespace
}  // namespace tolvane::jetdb
