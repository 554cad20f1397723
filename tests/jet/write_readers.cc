#include "write_readers.h"

#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <stdexcept>

#include "jet/database.h"

namespace tolvane::jet::testing {
namespace {

std::string Run(const std::string& command, int* status = nullptr) {
  std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
  if (!pipe) throw std::runtime_error("cannot run " + command);
  std::string out;
  std::array<char, 65536> buf;
  size_t n;
  while ((n = fread(buf.data(), 1, buf.size(), pipe.get())) > 0) out.append(buf.data(), n);
  int rc = pclose(pipe.release());
  if (status) *status = rc;
  return out;
}

std::string Quote(const std::string& s) {
  std::string q = "'";
  for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

std::string Hex(std::string_view b, bool upper = false) {
  const char* d = upper ? "0123456789ABCDEF" : "0123456789abcdef";
  std::string s;
  for (unsigned char c : b) { s.push_back(d[c >> 4]); s.push_back(d[c & 15]); }
  return s;
}

std::string Number(double d) {
  char buf[40];
  std::snprintf(buf, sizeof buf, "%.17g", d);
  return buf;
}

std::string Currency(int64_t v) {
  bool neg = v < 0;
  unsigned long long m = neg ? 0ull - static_cast<unsigned long long>(v) : static_cast<unsigned long long>(v);
  std::string s = std::to_string(m / 10000);
  std::string frac = std::to_string(m % 10000);
  frac = std::string(4 - frac.size(), '0') + frac;
  while (!frac.empty() && frac.back() == '0') frac.pop_back();
  if (!frac.empty()) s += "." + frac;
  return (neg && m ? "-" : "") + s;
}

std::string TrimDecimal(std::string s) {
  if (s.find('.') != std::string::npos) {
    while (s.back() == '0') s.pop_back();
    if (s.back() == '.') s.pop_back();
  }
  return s == "-0" ? "0" : s;
}

int64_t DaysFromCivil(int64_t y, unsigned m, unsigned d) {
  y -= m <= 2;
  const int64_t era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  return era * 146097 + static_cast<int64_t>(yoe * 365 + yoe / 4 - yoe / 100 + doy) - 719468;
}

// Seconds from 1899-12-30, rounded: the same for an OLE date and an ISO text.
std::string DateFromOle(double ole) {
  // Below zero the whole part counts days back and the fraction is still the time of day.
  double days = std::trunc(ole);
  double secs = days * 86400 + std::fabs(ole - days) * 86400;
  return "s" + std::to_string(static_cast<long long>(std::llround(secs)));
}

std::string DateFromIso(const std::string& iso) {
  int y, mo, d, h, mi;
  double s;
  if (std::sscanf(iso.c_str(), "%d-%d-%dT%d:%d:%lfZ", &y, &mo, &d, &h, &mi, &s) != 6) return "bad date " + iso;
  double secs = static_cast<double>(DaysFromCivil(y, mo, d) - DaysFromCivil(1899, 12, 30)) * 86400 + h * 3600 + mi * 60 + s;
  return "s" + std::to_string(static_cast<long long>(std::llround(secs)));
}

// One JSON array of strings per line, as the node script prints them.
std::vector<std::string> ParseJsonStrings(const std::string& line) {
  std::vector<std::string> out;
  size_t i = 0;
  while (i < line.size()) {
    if (line[i] != '"') { ++i; continue; }
    std::string s;
    for (++i; i < line.size() && line[i] != '"'; ++i) {
      if (line[i] != '\\') { s.push_back(line[i]); continue; }
      char e = line[++i];
      if (e == 'n') s.push_back('\n');
      else if (e == 't') s.push_back('\t');
      else if (e == 'r') s.push_back('\r');
      else if (e == 'b') s.push_back('\b');
      else if (e == 'f') s.push_back('\f');
      else if (e == 'u') {
        unsigned cp = std::stoul(line.substr(i + 1, 4), nullptr, 16);
        i += 4;
        if (cp >= 0xD800 && cp < 0xDC00 && line.compare(i + 1, 2, "\\u") == 0) {
          unsigned lo = std::stoul(line.substr(i + 3, 4), nullptr, 16);
          cp = 0x10000 + ((cp - 0xD800) << 10) + (lo - 0xDC00);
          i += 6;
        }
        if (cp < 0x80) s.push_back(static_cast<char>(cp));
        else if (cp < 0x800) { s.push_back(static_cast<char>(0xC0 | (cp >> 6))); s.push_back(static_cast<char>(0x80 | (cp & 0x3F))); }
        else if (cp < 0x10000) { s.push_back(static_cast<char>(0xE0 | (cp >> 12))); s.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F))); s.push_back(static_cast<char>(0x80 | (cp & 0x3F))); }
        else { s.push_back(static_cast<char>(0xF0 | (cp >> 18))); s.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F))); s.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F))); s.push_back(static_cast<char>(0x80 | (cp & 0x3F))); }
      } else s.push_back(e);
    }
    ++i;
    out.push_back(std::move(s));
  }
  return out;
}

std::string NodeScript() {
  static const std::string path = [] {
    auto p = std::filesystem::temp_directory_path() / ("jet_write_readers_" + std::to_string(getpid()) + ".js");
    std::ofstream(p) << R"JS(
const M = require('mdb-reader'); const fs = require('fs');
const r = new (M.default || M)(fs.readFileSync(process.argv[2]));
if (process.argv.length < 4) { console.log(JSON.stringify(r.getTableNames())); process.exit(0); }
const t = r.getTable(process.argv[3]);
const cols = t.getColumnNames();
for (const row of t.getData()) {
  console.log(JSON.stringify(cols.map(c => {
    const v = row[c];
    if (v === null || v === undefined) return '\\N';
    if (Buffer.isBuffer(v)) return 'hex:' + v.toString('hex');
    if (v instanceof Date) return 'date:' + v.toISOString();
    if (typeof v === 'boolean') return v ? 'true' : 'false';
    return String(v);
  })));
}
)JS";
    return p.string();
  }();
  return path;
}

std::vector<std::string> Lines(const std::string& s) {
  std::vector<std::string> out;
  size_t start = 0;
  for (size_t i = 0; i <= s.size(); ++i) {
    if (i == s.size() || s[i] == '\n') {
      if (i > start) out.push_back(s.substr(start, i - start));
      start = i + 1;
    }
  }
  return out;
}

bool ExactInExport(DataType t) {
  switch (t) {
    case DataType::kText: case DataType::kMemo: case DataType::kByte: case DataType::kInteger:
    case DataType::kLong: case DataType::kBoolean: case DataType::kBinary: case DataType::kLongBinary:
      return true;
    default:
      return false;
  }
}

}  // namespace

std::string Canonical(const Field& f, const Value& v) {
  if (v.is_null()) return "\\N";
  switch (v.type()) {
    case DataType::kBoolean: return v.boolean() ? "true" : "false";
    case DataType::kByte: return std::to_string(v.byte());
    case DataType::kInteger: return std::to_string(v.integer());
    case DataType::kLong: return std::to_string(v.long_value());
    case DataType::kCurrency: return Currency(v.currency());
    case DataType::kSingle: return Number(v.single());
    case DataType::kDouble: return Number(v.double_value());
    case DataType::kDate: return DateFromOle(v.date());
    case DataType::kText: case DataType::kMemo: return v.text();
    case DataType::kGuid: {
      std::string g = GuidToText(v.bytes());
      std::string out;
      for (char c : g) if (c != '{' && c != '}') out.push_back(static_cast<char>(std::tolower(static_cast<unsigned char>(c))));
      return out;
    }
    case DataType::kDecimal: return TrimDecimal(v.decimal().ToString());
    default: return "hex:" + Hex(v.bytes());
  }
}

bool ExternalReadersAvailable(std::string* why) {
  int rc = 0;
  Run("command -v mdb-export >/dev/null 2>&1", &rc);
  if (rc != 0) { if (why) *why = "mdb-export is not installed"; return false; }
  Run("node -e \"require('mdb-reader')\" >/dev/null 2>&1", &rc);
  if (rc != 0) { if (why) *why = "node with mdb-reader (NODE_PATH) is not available"; return false; }
  return true;
}

Rows RowsFromOurReader(const std::string& path, const std::string& table) {
  auto db = Database::Open(path);
  auto rs = db->OpenTable(table);
  Rows rows;
  for (rs->MoveFirst(); !rs->IsEOF(); rs->MoveNext()) {
    std::vector<std::string> row;
    for (int i = 0; i < rs->FieldCount(); ++i) row.push_back(Canonical(rs->FieldAt(i), rs->ValueAt(i)));
    rows.push_back(std::move(row));
  }
  return rows;
}

Rows RowsFromMdbReader(const std::string& path, const std::string& table, const std::vector<Field>& fields) {
  int rc = 0;
  std::string out = Run("node " + Quote(NodeScript()) + " " + Quote(path) + " " + Quote(table) + " 2>&1", &rc);
  if (rc != 0) throw std::runtime_error("mdb-reader failed on " + path + ": " + out.substr(0, 400));
  Rows rows;
  for (const auto& line : Lines(out)) {
    std::vector<std::string> row = ParseJsonStrings(line);
    for (size_t i = 0; i < row.size() && i < fields.size(); ++i) {
      std::string& s = row[i];
      if (s == "\\N") continue;
      switch (fields[i].type) {
        case DataType::kSingle: case DataType::kDouble: s = Number(std::strtod(s.c_str(), nullptr)); break;
        case DataType::kCurrency: case DataType::kDecimal: s = TrimDecimal(s); break;
        case DataType::kDate: s = DateFromIso(s.substr(5)); break;
        case DataType::kGuid: {
          std::string g;
          for (char c : s) if (c != '{' && c != '}') g.push_back(static_cast<char>(std::tolower(static_cast<unsigned char>(c))));
          s = g;
          break;
        }
        default: break;
      }
    }
    rows.push_back(std::move(row));
  }
  return rows;
}

std::vector<std::string> TablesFromMdbReader(const std::string& path) {
  int rc = 0;
  std::string out = Run("node " + Quote(NodeScript()) + " " + Quote(path) + " 2>&1", &rc);
  if (rc != 0) throw std::runtime_error("mdb-reader failed on " + path + ": " + out.substr(0, 400));
  return ParseJsonStrings(out);
}

Rows RowsFromMdbExport(const std::string& path, const std::string& table, const std::vector<Field>& fields) {
  int rc = 0;
  std::string out = Run("mdb-export -H -B -b hex -0 '\\N' -e " + Quote(path) + " " + Quote(table) + " 2>&1", &rc);
  if (rc != 0) throw std::runtime_error("mdb-export failed on " + path + ": " + out.substr(0, 400));
  Rows rows;
  for (const auto& line : Lines(out)) {
    std::vector<std::string> row;
    std::string field;
    bool quoted = false;
    for (size_t i = 0; i <= line.size(); ++i) {
      char c = i < line.size() ? line[i] : ',';
      if (quoted) {
        if (c == '"' && i + 1 < line.size() && line[i + 1] == '"') { field.push_back('"'); ++i; }
        else if (c == '"') quoted = false;
        else field.push_back(c);
      } else if (c == '"') {
        quoted = true;
      } else if (c == ',') {
        row.push_back(field);
        field.clear();
      } else {
        field.push_back(c);
      }
    }
    for (size_t i = 0; i < row.size() && i < fields.size(); ++i) {
      std::string& s = row[i];
      DataType t = fields[i].type;
      if (!ExactInExport(t)) { s = "-"; continue; }
      if (s == "\\N") continue;
      if (t == DataType::kBoolean) s = s == "TRUE" ? "true" : "false";
      else if (t == DataType::kBinary || t == DataType::kLongBinary) {
        for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        s = "hex:" + s;
      } else if (t == DataType::kText || t == DataType::kMemo) {
        std::string u;  // undo -e escaping
        for (size_t k = 0; k < s.size(); ++k) {
          if (s[k] == '\\' && k + 1 < s.size()) {
            char e = s[++k];
            u.push_back(e == 'n' ? '\n' : e == 'r' ? '\r' : e == 't' ? '\t' : e);
          } else u.push_back(s[k]);
        }
        s = u;
      }
    }
    rows.push_back(std::move(row));
  }
  return rows;
}

Rows ExactForMdbExport(const Rows& rows, const std::vector<Field>& fields) {
  Rows out = rows;
  for (auto& row : out) {
    for (size_t i = 0; i < row.size() && i < fields.size(); ++i) {
      if (!ExactInExport(fields[i].type)) row[i] = "-";
      // mdbtools shows an empty text as null.
      else if ((fields[i].type == DataType::kText || fields[i].type == DataType::kMemo) && row[i].empty()) row[i] = "\\N";
    }
  }
  return out;
}

}  // namespace tolvane::jet::testing
