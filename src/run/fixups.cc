#include "run/fixups.h"

#include "errors/trap.h"
#include "platform/platform.h"
#include "platform/text.h"
#include "run/dao.h"
#include "settings/file_locations.h"
#include "settings/program_state.h"

namespace tolvane {
namespace {

bool ComponentDatabaseExists(const std::string& path) {
  return !path.empty() && platform::Current().files->Exists(path);
}

}  // namespace

std::string ReplaceSearchItem(const std::string& text, const std::string& search, const std::string& replacement) {
  std::string result;
  Trap trap("ReplaceSearchItem");
  // Upper-casing keeps the number of characters, so positions carry over to the original.
  size_t found = text::Find(text::Upper(text), text::Upper(search));
  if (found == 0) return text;
  trap.Step([&] {
    const size_t p = static_cast<size_t>(ToInt16(static_cast<long long>(found)));
    const size_t length = text::Length(text), n = text::Length(search);
    result = text::Left(text, p - 1) + replacement + text::Right(text, length - (p - 1) - n);
  });
  return result;
}

void VarNameInQuelleErsetzen(const std::string& visiwin32_name, const std::string& visiwinstudio_name) {
  Trap trap("VarNameInQuelleErsetzen");
  std::string path;
  trap.Step([&] { path = GetPathOCXMDB(); });
  if (!ComponentDatabaseExists(path)) return;
  const bool studio = State().VWStudioMode != 0;
  const std::string& look_for = studio ? visiwin32_name : visiwinstudio_name;
  const std::string& new_name = studio ? visiwinstudio_name : visiwin32_name;

  std::unique_ptr<dao::Database> db;
  trap.Step([&] { db = dao::Database::Open(path); });
  if (!db) return;
  std::unique_ptr<dao::Recordset> rs;
  trap.Step([&] {
    rs = dao::Use(db).OpenRecordset("SELECT PRESET_DEFS.* From PRESET_DEFS WHERE (((PRESET_DEFS.Var_Name)=\"" +
                           dao::QuoteForQuery(look_for) + "\"))");
  });
  if (!rs) return;
  // A cursor whose end cannot be told would loop for ever: such a failure ends the walk.
  while (!trap.Test([&] { return dao::Use(rs).IsEOF(); })) {
    trap.Step([&] { dao::Use(rs).Edit(); });
    trap.Step([&] { dao::Use(rs).Set("var_name", dao::Value::Text(new_name)); });
    trap.Step([&] { dao::Use(rs).Update(); });
    trap.Step([&] { dao::Use(rs).MoveNext(); });
  }
}

void CategorieNachCategoryID() {
  Trap trap("CategorieNachCategoryID");
  std::string path;
  trap.Step([&] { path = GetPathOCXMDB(); });
  if (!ComponentDatabaseExists(path)) return;
  std::unique_ptr<dao::Database> db;
  trap.Step([&] { db = dao::Database::Open(path); });
  if (!db) return;
  std::vector<dao::FieldInfo> fields;
  trap.Step([&] { fields = dao::Use(db).TableDefFields("PRESET_DEFS"); });
  for (const dao::FieldInfo& f : fields) {
    if (text::Upper(f.name) == "CATEGORIE") trap.Step([&] { dao::Use(db).RenameColumn("PRESET_DEFS", f.name, "category_id"); });
  }
}

}  // namespace tolvane
