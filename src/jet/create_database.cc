#include "jet/create_database.h"

#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "jet/create_table.h"
#include "jet/error.h"
#include "jet/header.h"
#include "jet/write_session.h"
#include "jet/write_table.h"

namespace tolvane::jet {
namespace {

constexpr uint32_t kPageSize = 4096;
constexpr int32_t kRootParent = 0x0F000000;  // parent of the containers
constexpr int32_t kTablesId = 0x0F000001, kDatabasesId = 0x0F000002, kRelationshipsId = 0x0F000003;
constexpr int32_t kMSysDbId = 0x10000000;
constexpr int32_t kSystemFlags = static_cast<int32_t>(0x80000000u);

// Owner and user identifiers of the engine's default (unsecured) workgroup, as the Jet
// engine records them in a database it creates; Access does not check them unless a
// secured workgroup is in use.
const std::string kCreatorSid("\x65\x89", 2);
const std::string kAdminSid("\x64\x8B", 2);
const std::string kAdminsSid("\x65\x8E", 2);
const std::string kUsersSid("\x65\x8B", 2);

double OleNow() {
  using namespace std::chrono;
  return duration<double>(system_clock::now().time_since_epoch()).count() / 86400.0 + 25569.0;
}

void Put32(uint8_t* p, uint32_t v) { std::memcpy(p, &v, 4); }

// Page 0. The block from 0x18 is RC4-encoded with a fixed key; inside it the password
// (none: zeros) is masked with the creation date's whole part, which readers check.
std::vector<uint8_t> HeaderPage(double created) {
  std::vector<uint8_t> p(kPageSize, 0);
  p[1] = 0x01;
  std::memcpy(p.data() + 4, "Standard Jet DB", 16);
  Put32(p.data() + 0x14, 1);  // Jet 4
  // Fields whose meaning is not known; the engine writes them so.
  for (uint32_t i = 0; i < 6; ++i) Put32(p.data() + 0x18 + 4 * i, i == 0 ? 0x100 : i == 1 ? 0x101 : i);
  p[0x3C] = 0xE4;  // code page 1252
  p[0x3D] = 0x04;
  const int32_t whole = static_cast<int32_t>(created);
  uint8_t mask[4];
  std::memcpy(mask, &whole, 4);
  for (int i = 0; i < 40; ++i) p[0x42 + i] = mask[i % 4];
  Put32(p.data() + 0x6E, 1033);  // General legacy sort order
  std::memcpy(p.data() + 0x72, &created, 8);
  static constexpr uint8_t kKey[4] = {0xC7, 0xDA, 0x39, 0x6B};
  Rc4(kKey, 4, p.data() + 0x18, 128);
  Put32(p.data() + 0x98, 1620);
  std::memcpy(p.data() + 0x9C, "4.0", 4);
  p[0xE00] = 0x01;  // a run the engine fills; no reader depends on it
  for (uint32_t i = 0xE01; i < kPageSize; i += 2) p[i] = 0x01;
  return p;
}

// Page 1: the global usage map, one inline map row. Its bits mark free pages; the pages
// past the end of the file count as free, as the engine writes them.
std::vector<uint8_t> GlobalMapPage(uint32_t pages_in_file) {
  std::vector<uint8_t> p(kPageSize);
  data_page::Init(p.data(), kPageSize, 0);
  std::vector<uint8_t> row(69, 0);
  for (uint32_t page = pages_in_file; page < 64 * 8; ++page) row[5 + page / 8] |= static_cast<uint8_t>(1u << (page % 8));
  data_page::AddRow(p.data(), kPageSize, row.data(), row.size());
  return p;
}

Field F(const char* name, DataType type, int size = 0, uint16_t length = 0) {
  Field f;
  f.name = name;
  f.type = type;
  f.size = size;
  f.length = length;
  return f;
}

TableSpec Objects() {
  TableSpec t;
  t.name = "MSysObjects";
  t.system = true;
  t.fields = {F("Id", DataType::kLong), F("ParentId", DataType::kLong), F("Name", DataType::kText, 255),
              F("Type", DataType::kInteger), F("DateCreate", DataType::kDate), F("DateUpdate", DataType::kDate),
              F("Owner", DataType::kBinary, 255, 510), F("Flags", DataType::kLong), F("Database", DataType::kMemo),
              F("Connect", DataType::kMemo), F("ForeignName", DataType::kText, 255),
              F("RmtInfoShort", DataType::kBinary, 255, 510), F("RmtInfoLong", DataType::kLongBinary),
              F("Lv", DataType::kLongBinary), F("LvProp", DataType::kLongBinary), F("LvModule", DataType::kLongBinary),
              F("LvExtra", DataType::kLongBinary)};
  t.indexes = {{"Id", {"Id"}, true, true, true}, {"ParentIdName", {"ParentId", "Name"}, false, true, false}};
  return t;
}

TableSpec Aces() {
  TableSpec t;
  t.name = "MSysACEs";
  t.system = true;
  t.fields = {F("ObjectId", DataType::kLong), F("SID", DataType::kBinary, 255, 510), F("ACM", DataType::kLong),
              F("FInheritable", DataType::kBoolean)};
  t.indexes = {{"ObjectId", {"ObjectId"}, false, false, true}};
  return t;
}

TableSpec Queries() {
  TableSpec t;
  t.name = "MSysQueries";
  t.system = true;
  t.fields = {F("ObjectId", DataType::kLong), F("Attribute", DataType::kByte), F("Order", DataType::kBinary, 255, 510),
              F("Name1", DataType::kText, 255), F("Name2", DataType::kText, 255), F("Expression", DataType::kMemo),
              F("Flag", DataType::kInteger), F("LvExtra", DataType::kLong)};
  // Order is binary, a key this engine cannot build: writing a query row fails with 3251
  // rather than break the index (the engine never writes queries).
  t.indexes = {{"ObjectIdAttribute", {"ObjectId", "Attribute", "Order"}, true, true, true}};
  return t;
}

TableSpec Relationships() {
  TableSpec t;
  t.name = "MSysRelationships";
  t.system = true;
  t.fields = {F("szRelationship", DataType::kText, 255), F("grbit", DataType::kLong), F("ccolumn", DataType::kLong),
              F("icolumn", DataType::kLong), F("szObject", DataType::kText, 255), F("szColumn", DataType::kText, 255),
              F("szReferencedObject", DataType::kText, 255), F("szReferencedColumn", DataType::kText, 255)};
  t.indexes = {{"szObject", {"szObject"}}, {"szReferencedObject", {"szReferencedObject"}},
               {"szRelationship", {"szRelationship"}}};
  return t;
}

}  // namespace

void CreateDatabase(const std::string& path) {
  namespace fs = std::filesystem;
  std::error_code ec;
  const fs::path fs_path(std::u8string(path.begin(), path.end()));
  if (fs::exists(fs_path, ec)) throw Error(3204, "Database already exists.", "DAO.DBEngine", path);
  const double created = OleNow();
  {
    std::ofstream out(fs_path, std::ios::binary);
    if (!out) throw Error(3044, "'" + path + "' is not a valid path.", "DAO.DBEngine");
    auto header = HeaderPage(created);
    auto map = GlobalMapPage(2);
    out.write(reinterpret_cast<const char*>(header.data()), kPageSize);
    out.write(reinterpret_cast<const char*>(map.data()), kPageSize);
    if (!out) throw Error(3044, "'" + path + "' is not a valid path.", "DAO.DBEngine");
  }
  try {
    WriteSession s(path);
    // MSysObjects' definition must be page 2: it is the first page added.
    const uint32_t objects = WriteTableDefinition(s, Objects());
    if (objects != 2) ThrowCorrupt(path, "the catalog's definition did not land on page 2");
    const uint32_t aces = WriteTableDefinition(s, Aces());
    const uint32_t queries = WriteTableDefinition(s, Queries());
    const uint32_t relationships = WriteTableDefinition(s, Relationships());

    TableWriter catalog(s, objects, "MSysObjects", true);
    const auto& cf = catalog.table();
    auto row = [&](int32_t id, int32_t parent, const char* name, int16_t type, int32_t flags,
                   const std::string& owner) {
      std::vector<Value> v(cf.fields().size());
      auto set = [&](const char* field) -> Value& { return v[cf.FindField(field)]; };
      set("Id").SetLong(id);
      set("ParentId").SetLong(parent);
      set("Name").SetText(name);
      set("Type").SetInteger(type);
      set("DateCreate").SetDate(created);
      set("DateUpdate").SetDate(created);
      set("Owner").SetBinary(reinterpret_cast<const uint8_t*>(owner.data()), owner.size());
      set("Flags").SetLong(flags);
      catalog.Insert(v);
    };
    row(kTablesId, kRootParent, "Tables", 3, kSystemFlags, kCreatorSid);
    row(kDatabasesId, kRootParent, "Databases", 3, kSystemFlags, kCreatorSid);
    row(kRelationshipsId, kRootParent, "Relationships", 3, kSystemFlags, kCreatorSid);
    row(kMSysDbId, kDatabasesId, "MSysDb", 2, kSystemFlags, kAdminSid);
    row(static_cast<int32_t>(objects), kTablesId, "MSysObjects", 1, kSystemFlags, kCreatorSid);
    row(static_cast<int32_t>(aces), kTablesId, "MSysACEs", 1, kSystemFlags, kCreatorSid);
    row(static_cast<int32_t>(queries), kTablesId, "MSysQueries", 1, kSystemFlags, kCreatorSid);
    row(static_cast<int32_t>(relationships), kTablesId, "MSysRelationships", 1, kSystemFlags, kCreatorSid);
    // Containers Access adds for its own objects.
    int32_t access_id = static_cast<int32_t>(0x80000000u);
    for (const char* name : {"DataAccessPages", "Forms", "Modules", "Reports", "Scripts", "SysRel"}) {
      row(access_id++, kRootParent, name, 3, 0, kAdminSid);
    }

    // Permissions: who may do what with each object (the masks the engine grants by default).
    TableWriter acl(s, aces, "MSysACEs", true);
    const auto& af = acl.table();
    auto ace = [&](int32_t object, const std::string& sid, int32_t mask, bool inheritable) {
      std::vector<Value> v(af.fields().size());
      v[af.FindField("ObjectId")].SetLong(object);
      v[af.FindField("SID")].SetBinary(reinterpret_cast<const uint8_t*>(sid.data()), sid.size());
      v[af.FindField("ACM")].SetLong(mask);
      v[af.FindField("FInheritable")].SetBoolean(inheritable);
      acl.Insert(v);
    };
    for (uint32_t table : {objects, aces, queries}) ace(static_cast<int32_t>(table), kAdminSid, 393216, false);
    ace(static_cast<int32_t>(relationships), kAdminSid, 917504, false);
    ace(kTablesId, kAdminsSid, 983294, true);
    ace(kTablesId, kAdminSid, 393217, false);
    ace(kRelationshipsId, kAdminsSid, 983294, true);
    ace(kRelationshipsId, kAdminSid, 393217, false);
    ace(kDatabasesId, kAdminSid, 393216, false);
    ace(kMSysDbId, kAdminSid, 393230, false);
    ace(kMSysDbId, kUsersSid, 14, false);
    for (uint32_t table : {queries, relationships, objects}) ace(static_cast<int32_t>(table), kUsersSid, 20, false);
    ace(kTablesId, kUsersSid, 1048319, true);
    ace(kRelationshipsId, kUsersSid, 1048575, true);
    // New tables take the Tables container's users: the Admin user gets full rights too.
    ace(kTablesId, kAdminSid, 1048575, true);
    s.Flush();
  } catch (...) {
    fs::remove(fs_path, ec);
    throw;
  }
}

}  // namespace tolvane::jet
