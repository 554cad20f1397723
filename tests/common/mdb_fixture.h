// Access databases for tests, written through the project's engine: a template with
// Source_PRESET_DEFS and Source_DEFS, component databases with a PRESET_DEFS.
#pragma once

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "jet/database.h"
#include "jet/value.h"

namespace tolvane::testing {

using jet::DataType;
using jet::Value;

struct Col {
  std::string name;
  DataType type;
  int size;
};

inline Value Txt(const std::string& s) { return Value::Text(s); }
inline Value Lng(int32_t n) { return Value::Long(n); }
inline Value Int(int16_t n) {
  Value v;
  v.SetInteger(n);
  return v;
}
inline Value Dbl(double d) { return Value::Double(d); }
inline Value Bool(bool b) { return Value::Boolean(b); }
inline Value Nul() { return Value(); }

inline void AddTable(jet::Database& db, const std::string& name, const std::vector<Col>& cols,
                     const std::vector<std::vector<Value>>& rows) {
  std::vector<jet::Field> fields;
  for (const Col& c : cols) {
    jet::Field f;
    f.name = c.name;
    f.type = c.type;
    f.size = c.size;
    fields.push_back(f);
  }
  db.CreateTable(name, fields);
  auto rs = db.OpenTable(name);
  for (const auto& row : rows) {
    rs->AddNew();
    for (size_t i = 0; i < row.size(); ++i) rs->SetValue(static_cast<int>(i), row[i]);
    rs->Update();
  }
}

// The columns of the preset table, "part" before "var_name".
inline std::vector<Col> PresetColumns(bool with_categorie = false) {
  return {{"ID", DataType::kLong, 4},
          {"machine_type", DataType::kText, 50},
          {"type", DataType::kLong, 4},
          {"part", DataType::kInteger, 2},
          {"var_name", DataType::kText, 100},
          {with_categorie ? "categorie" : "category_id", DataType::kLong, 4},
          {"isBitArray", DataType::kBoolean, 1},
          {"offset_or_bitno", DataType::kLong, 4},
          {"text", DataType::kText, 255},
          {"page_name", DataType::kText, 50},
          {"abs_min", DataType::kDouble, 8},
          {"abs_max", DataType::kDouble, 8},
          {"min", DataType::kDouble, 8},
          {"max", DataType::kDouble, 8},
          {"pass", DataType::kInteger, 2}};
}

// One preset row in the column order above.
inline std::vector<Value> Preset(int32_t id, const std::string& machine_type, int16_t part, Value var_name,
                                 int32_t offset, const std::string& text, double abs_min = 0, double abs_max = 100,
                                 double min = 0, double max = 50, int16_t pass = 0) {
  return {Lng(id),  Txt(machine_type), Lng(1),       Int(part),     std::move(var_name), Lng(3), Bool(false),
          Lng(offset), Txt(text),      Txt("Page1"), Dbl(abs_min), Dbl(abs_max),       Dbl(min), Dbl(max),
          Int(pass)};
}

inline std::vector<Col> DefsColumns() {
  return {{"System", DataType::kText, 50}, {"Part", DataType::kInteger, 2}, {"Var_Name", DataType::kText, 255}};
}

inline std::vector<std::vector<Value>> StandardPatterns() {
  return {{Txt("VISIWIN32"), Int(1), Txt("###Var_Name")},
          {Txt("VisiWin32"), Int(2), Txt("###machine.###Var_Name")},
          {Txt("VISIWINSTUDIO"), Int(1), Txt("St_###Var_Name")},
          {Txt("VISIWINSTUDIO"), Int(2), Txt("Ch###machine_###Var_Name")}};
}

// The standard template rows, deliberately not in ID order.
inline std::vector<std::vector<Value>> StandardTemplateRows() {
  return {Preset(10, "Drive", 2, Txt("Speed"), 0, "Speed of ###machine"),
          Preset(5, "Drive", 1, Txt("Torque"), 1, "Torque"),
          Preset(20, "Axis", 2, Nul(), 2, "###MACHINE and ###machine")};
}

inline void MakeTemplate(const std::string& path,
                         const std::vector<std::vector<Value>>& rows = StandardTemplateRows(),
                         const std::vector<std::vector<Value>>& patterns = StandardPatterns(),
                         const std::vector<Col>& columns = PresetColumns()) {
  auto db = jet::Database::Create(path);
  AddTable(*db, "Source_PRESET_DEFS", columns, rows);
  AddTable(*db, "Source_DEFS", DefsColumns(), patterns);
}

// A component database with the given PRESET_DEFS rows.
inline void MakeComponent(const std::string& path, const std::vector<std::vector<Value>>& rows,
                          const std::vector<Col>& columns = PresetColumns()) {
  auto db = jet::Database::Create(path);
  AddTable(*db, "PRESET_DEFS", columns, rows);
}

// All rows of a table, each value as text ("" for null), in storage order.
inline std::vector<std::vector<std::string>> ReadTable(const std::string& path, const std::string& table) {
  auto db = jet::Database::Open(path);
  auto rs = db->OpenTable(table);
  std::vector<std::vector<std::string>> out;
  for (rs->MoveFirst(); !rs->IsEOF(); rs->MoveNext()) {
    std::vector<std::string> row;
    for (int i = 0; i < rs->FieldCount(); ++i) {
      const Value& v = rs->ValueAt(i);
      row.push_back(v.is_null() ? std::string("<null>") : v.ToText());
    }
    out.push_back(row);
  }
  return out;
}

inline std::vector<std::string> ColumnNames(const std::string& path, const std::string& table) {
  auto db = jet::Database::Open(path);
  std::vector<std::string> names;
  for (const auto& f : db->GetTableDef(table).fields()) names.push_back(f.name);
  return names;
}

}  // namespace tolvane::testing
