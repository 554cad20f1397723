#include "run/work_on_mdb.h"

#include <memory>
#include <string>

#include "errors/trap.h"
#include "platform/event_pass.h"
#include "platform/platform.h"
#include "platform/text.h"
#include "run/additional_fields.h"
#include "run/dao.h"
#include "run/fixups.h"
#include "run/record_generation.h"
#include "run/takeover.h"
#include "settings/file_locations.h"
#include "settings/identity.h"
#include "settings/ini.h"
#include "settings/program_state.h"

namespace tolvane {
namespace {

bool Exists(const std::string& path) { return platform::Current().files->Exists(path); }

// Part 1 of either system then names its variables exactly as the template does.
void ApplyFallbackPatterns() {
  State().VarNamePattern[0][1] = "###Var_Name";
  State().VarNamePattern[1][1] = "###Var_Name";
}

// Reads the naming patterns from Source_DEFS. A row that cannot be read sets the fallback,
// without a report, and the scan goes on.
void ScanNamingPatterns(Trap& trap, const std::string& template_path) {
  std::unique_ptr<dao::Database> db;
  trap.Step([&] { db = dao::Database::Open(template_path); });
  std::unique_ptr<dao::Recordset> rs;
  trap.Step([&] {
    if (db) rs = db->OpenRecordset("Source_DEFS");
  });
  if (!rs) {
    ApplyFallbackPatterns();
    return;
  }
  for (;;) {
    bool at_end = true;
    if (!Trap::Quietly([&] { at_end = rs->IsEOF(); }) || at_end) break;
    bool ok = Trap::Quietly([&] {
      dao::Value system = rs->Get("System");
      if (system.is_null()) return;
      const std::string name = text::Upper(system.ToText());
      int index = name == "VISIWINSTUDIO" ? 1 : name == "VISIWIN32" ? 0 : -1;
      if (index < 0) return;
      int part = dao::PartNumber(rs->Get("Part"));
      dao::Value pattern = rs->Get("Var_Name");
      if (pattern.is_null()) throw Failure(94, kRuntimeSource, "Invalid use of Null");
      State().VarNamePattern[static_cast<size_t>(index)][static_cast<size_t>(part)] = pattern.ToText();
    });
    if (!ok) ApplyFallbackPatterns();
    // A cursor that cannot move would scan for ever.
    if (!Trap::Quietly([&] { rs->MoveNext(); })) break;
  }
}

std::string KonnteDieDateiText(const std::string& component_db) {
  const std::string crlf = "\r\n";
  return "Konnte die Datei:\"" + GetFileNameOnly(component_db) + "\" in der Vorlage nicht finden!" + crlf + crlf +
         "Ist das Bild in der Vorlage noch nicht vorhanden (also neu)?" + crlf +
         "Dann ist diese Meldung völlig normal und es wird eine neue Datei mit den Standardwerten erzeugt.";
}

}  // namespace

void WorkOnMDB() {
  Trap trap;  // the name is recorded only after the type scan
  ProgramState& state = State();
  platform::Files& files = *platform::Current().files;

  std::string template_path, component_path, ini_path, machine_copy;
  trap.Step([&] { template_path = GetPathSourceOCXMDB(); });
  trap.Step([&] { component_path = GetPathOCXMDB(); });
  trap.Step([&] { ini_path = GetZRBConfigurationIniPath(); });
  trap.Step([&] { machine_copy = GetPathMachineCopyMDB(ini_path); });

  if (trap.Test([&] { return state.IntegratedMode; })) {
    state.VWStudioMode = 0;
  } else {
    trap.Step([&] { state.VWStudioMode = LoadIniBoolean("Project", "VWStudio", state.ProgramIniPath, false) ? 1 : 0; });
  }
  if (template_path.empty()) return;

  trap.Step([&] { state.SavedTimes = files.GetTimes(template_path); });

  if (trap.Test([&] { return state.IntegratedMode; })) {
    if (trap.Test([&] { return !machine_copy.empty() && Exists(machine_copy); })) {
      trap.Step([&] { files.CopyOver(machine_copy, component_path); });
    } else {
      trap.Step([&] {
        platform::MessageBox box;
        box.text = KonnteDieDateiText(component_path);
        box.title = ExecutableName();
        box.icon = platform::Icon::kInformation;
        box.buttons = platform::Buttons::kOk;
        ShowBox(box);
      });
    }
  }

  ScanNamingPatterns(trap, template_path);
  trap.SetName("WorkOnMDB");

  std::unique_ptr<dao::Database> work;
  trap.Step([&] { work = dao::Database::Open(template_path); });
  const bool template_opened = work != nullptr;
  if (work) {
    std::vector<std::string> names;
    trap.Step([&] { names = work->TableDefNames(); });
    for (const std::string& name : names) {
      if (name != "PRESET_DEFS") continue;
      trap.Step([&] { work->DeleteTable("PRESET_DEFS"); });
      break;
    }
    std::vector<dao::FieldInfo> fields;
    trap.Step([&] { fields = work->TableDefFields("Source_PRESET_DEFS"); });
    trap.Step([&] { work->CreateTable("PRESET_DEFS", fields); });
  }

  const std::string takeover_source = component_path;
  trap.Step([] { CategorieNachCategoryID(); });
  if (work) trap.Step([&] { CreateRecordSets(*work); });

  std::unique_ptr<dao::Recordset> old_rows;
  if (trap.Test([&] { return !takeover_source.empty() && Exists(takeover_source); })) {
    std::unique_ptr<dao::Database> previous;
    trap.Step([&] { previous = dao::Database::Open(takeover_source); });
    if (previous) {
      bool has_table = false;
      trap.Step([&] {
        for (const std::string& name : previous->TableDefNames())
          if (name == "PRESET_DEFS") {
            has_table = true;
            break;
          }
      });
      if (has_table) trap.Step([&] { old_rows = previous->OpenRecordset("PRESET_DEFS"); });
      if (old_rows && work) {
        trap.Step([] { GetAddFields(); });
        trap.Step([&] { TakeoverMachineCopyMDBData(*work, old_rows); });
      }
    }
    old_rows.reset();
  }
  work.reset();

  // A template that is no database would only destroy the component database.
  if (template_opened) trap.Step([&] { files.CopyOver(template_path, component_path); });
  if (state.SavedTimes) trap.Step([&] { files.SetTimes(template_path, *state.SavedTimes); });
}

}  // namespace tolvane
