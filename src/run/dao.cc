#include "run/dao.h"

#include <cmath>
#include <string>

#include "errors/failure.h"
#include "platform/text.h"

namespace tolvane::dao {
namespace {

// Runs an engine call; its failure becomes the program's.
template <class F>
auto Engine(F&& f) -> decltype(f()) {
  try {
    return f();
  } catch (const jet::Error& e) {
    throw Failure(e.number(), e.source(), e.what());
  }
}

[[noreturn]] void ItemNotFound() {
  throw Failure(3265, "DAO.Fields", "Item not found in this collection.");
}

bool IsQuery(const std::string& s) {
  size_t b = s.find_first_not_of(" \t\r\n");
  return b != std::string::npos && text::Upper(s.substr(b, 6)) == "SELECT";
}

}  // namespace

Recordset::Recordset(std::unique_ptr<jet::Recordset> rs) : rs_(std::move(rs)) {}
Recordset::~Recordset() = default;

bool Recordset::IsEOF() const { return rs_->IsEOF(); }

void Recordset::MoveFirst() {
  Engine([&] { rs_->MoveFirst(); });
}

void Recordset::MoveNext() {
  Engine([&] { rs_->MoveNext(); });
}

long Recordset::RecordCount() const {
  return Engine([&] { return rs_->RecordCount(); });
}

int Recordset::FieldCount() const { return rs_->FieldCount(); }

std::string Recordset::FieldName(int i) const {
  return Engine([&] { return rs_->FieldAt(i).name; });
}

int Recordset::IndexOf(const std::string& name) const {
  const std::string wanted = text::Upper(name);
  for (int i = 0; i < rs_->FieldCount(); ++i)
    if (text::Upper(rs_->FieldAt(i).name) == wanted) return i;
  ItemNotFound();
}

Value Recordset::Get(int i) const {
  if (i < 0 || i >= rs_->FieldCount()) ItemNotFound();
  if (mode_ != Mode::kNone) {
    auto it = pending_.find(i);
    if (it != pending_.end()) return it->second;
    if (mode_ == Mode::kAddNew) return Value::Null(rs_->FieldAt(i).type);
  }
  return Engine([&] { return rs_->ValueAt(i); });
}

Value Recordset::Get(const std::string& name) const { return Get(IndexOf(name)); }

void Recordset::AddNew() {
  Engine([&] { rs_->AddNew(); });
  mode_ = Mode::kAddNew;
  pending_.clear();
}

void Recordset::Edit() {
  Engine([&] { rs_->Edit(); });
  mode_ = Mode::kEdit;
  pending_.clear();
}

void Recordset::Set(int i, const Value& v) {
  if (i < 0 || i >= rs_->FieldCount()) ItemNotFound();
  Engine([&] { rs_->SetValue(i, v); });
  pending_[i] = v;
}

void Recordset::Set(const std::string& name, const Value& v) { Set(IndexOf(name), v); }

void Recordset::Update() {
  Engine([&] { rs_->Update(); });
  mode_ = Mode::kNone;
  pending_.clear();
}

std::unique_ptr<Database> Database::Open(const std::string& path) {
  return Engine([&] {
    auto db = jet::Database::Open(path);
    // Shared and writable where the file allows it; a read-only file opens for reading
    // and refuses each change (3027) when it is made.
    try {
      db->EnableWriting();
    } catch (const jet::Error&) {
    }
    return std::unique_ptr<Database>(new Database(std::move(db)));
  });
}

Database::~Database() = default;

std::vector<std::string> Database::TableDefNames() const {
  return Engine([&] { return db_->TableNames(/*include_system=*/true); });
}

std::vector<FieldInfo> Database::TableDefFields(const std::string& table) const {
  return Engine([&] {
    std::vector<FieldInfo> out;
    const jet::TableDef def = db_->GetTableDef(table);
    for (const jet::Field& f : def.fields()) out.push_back({f.name, f.type, f.size});
    return out;
  });
}

void Database::DeleteTable(const std::string& table) {
  Engine([&] { db_->DeleteTable(table); });
}

void Database::CreateTable(const std::string& table, const std::vector<FieldInfo>& fields) {
  if (fields.empty()) throw Failure(3264, "DAO.TableDefs", "No field defined--cannot append TableDef or Index.");
  std::vector<jet::Field> columns;
  for (const FieldInfo& f : fields) {
    jet::Field c;
    c.name = f.name;
    c.type = f.type;
    c.size = f.size;
    columns.push_back(c);
  }
  Engine([&] { db_->CreateTable(table, columns); });
}

void Database::RenameColumn(const std::string& table, const std::string& old_name, const std::string& new_name) {
  Engine([&] { db_->RenameColumn(table, old_name, new_name); });
}

std::unique_ptr<Recordset> Database::OpenRecordset(const std::string& name_or_sql) {
  return Engine([&] {
    return std::make_unique<Recordset>(IsQuery(name_or_sql) ? db_->OpenQuery(name_or_sql)
                                                           : db_->OpenTable(name_or_sql));
  });
}

int PartNumber(const Value& v) {
  if (v.is_null()) throw Failure(94, kRuntimeSource, "Invalid use of Null");
  double d = 0;
  if (v.is_text()) {
    try {
      d = std::stod(v.text());
    } catch (...) {
      throw Failure(err::kTypeMismatch, kRuntimeSource, "Type mismatch");
    }
  } else {
    d = v.AsDouble();
  }
  const double rounded = std::nearbyint(d);  // half to even, as the original platform rounds
  if (rounded < 1 || rounded > 50) RaiseSubscriptOutOfRange();
  return static_cast<int>(rounded);
}

void ThrowObjectNotSet() {
  throw Failure(91, kRuntimeSource, "Object variable or With block variable not set");
}

std::string QuoteForQuery(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    out += c;
    if (c == '"') out += '"';
  }
  return out;
}

}  // namespace tolvane::dao
