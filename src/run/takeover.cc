#include "run/takeover.h"

#include <array>

#include "errors/error_sub.h"
#include "errors/logs.h"
#include "errors/trap.h"
#include "platform/event_pass.h"
#include "platform/text.h"
#include "run/dao.h"
#include "settings/identity.h"
#include "settings/program_state.h"

namespace tolvane {
namespace {

using dao::Value;

constexpr const char* kQ = "\"";

// The fourteen columns read from every old row, in this order; index 4 is the category.
constexpr std::array<const char*, 14> kOldColumns = {
    "ID",   "machine_type", "type", "var_name", "category_id", "isBitArray", "offset_or_bitno",
    "text", "page_name",    "abs_min", "abs_max", "min",       "max",        "pass"};
constexpr int kMachineType = 1, kVarName = 3, kCategory = 4, kOffset = 6, kFirstTakenOver = 9;

[[noreturn]] void RaiseDatabaseError() {
  throw Failure(err::kDatabaseError, ExecutableName(), "Database-Error - Contact Administrator!");
}

std::string CfgName() { return text::Upper(GetOCXName()) + ".CFG"; }

void LayoutWarning(Trap& trap) {
  const std::string lf = kLfCr;
  const std::string comp = text::Upper(GetOCXName());
  if (!State().SilentMode) {
    platform::MessageBox box;
    box.text = "WARNING!" + lf + "Machinecopy contains data in fields that won't be taken over!" + lf +
               "Configurationfile " + kQ + CfgName() + kQ + ", missing entry " + kQ + "DataBaseAdditionalFields " +
               kQ + lf + "If you continue now this data will be lost." + lf + "Continue?";
    box.title = ExecutableName();
    box.icon = platform::Icon::kExclamation;
    box.buttons = platform::Buttons::kYesNo;
    box.default_button = 1;
    platform::Answer answer = platform::Answer::kYes;
    trap.Step([&] { answer = ShowBox(box); });
    if (answer == platform::Answer::kNo) {
      trap.Step([&] {
        LogError(ExecutableName() + " :Database-Error - Contact Administrator!" + " Configurationprogram " + kQ +
                     comp + kQ + " terminated." + " Please check Configuration in " + kQ + CfgName() + kQ +
                     " Restart " + text::Upper(ProgramFolder() + Sep() + ExecutableFileName()) + "!",
                 false);
      });
      trap.FatalStep([] { RaiseDatabaseError(); });
    }
  } else {
    trap.Step([&] {
      WriteServicePackLog(std::string("WARNING!") + "Machinecopy contains data in fields that won't be taken over!" +
                          "Configurationfile " + kQ + CfgName() + kQ + ", missing entry " + kQ +
                          "DataBaseAdditionalFields " + kQ + "If you continue now this data will be lost." +
                          "Continue?");
    });
  }
}

}  // namespace

void TakeoverMachineCopyMDBData(dao::Database& db, std::unique_ptr<dao::Recordset>& old_rows) {
  Trap trap("TakeoverMachineCopyMDBData");
  ProgramState& state = State();
  int16_t old_columns = 0;
  trap.Step([&] {
    old_columns = ToInt16(dao::Use(old_rows).FieldCount());
  });
  if (trap.Test([&] { return old_columns > 15 && state.AddFieldCount == 0; })) LayoutWarning(trap);
  if (!old_rows) return;

  // The old table: its category column may still carry its old name.
  std::array<std::string, 14> columns;
  for (size_t k = 0; k < columns.size(); ++k) columns[k] = kOldColumns[k];
  trap.Step([&] {
    for (int i = 0; i < old_rows->FieldCount(); ++i) {
      if (text::Upper(old_rows->FieldName(i)) == "CATEGORIE") {
        columns[kCategory] = "categorie";
        break;
      }
    }
  });
  int16_t reported = 0;
  trap.Step([&] { reported = ToInt16(old_rows->RecordCount()); });

  std::vector<std::array<Value, 14>> rows;
  // An empty old table has nothing to take over (counting it would read a row that is
  // not there and report every column of it).
  if (reported > 0) {
    trap.Step([&] { old_rows->MoveFirst(); });
    int n = 1;
    for (; n <= reported; ++n) {
      bool at_end = false;
      trap.Step([&] {
        old_rows->MoveNext();
        at_end = old_rows->IsEOF();
      });
      if (at_end) break;
    }
    rows.resize(static_cast<size_t>(n));
    trap.Step([&] { old_rows->MoveFirst(); });
    for (auto& row : rows) {
      DoEvents();
      for (size_t k = 0; k < columns.size(); ++k) trap.Step([&] { row[k] = old_rows->Get(columns[k]); });
      trap.Step([&] { old_rows->MoveNext(); });
    }
  }
  old_rows.reset();

  for (const auto& row : rows) {
    const std::string sql =
        std::string("SELECT PRESET_DEFS.ID, PRESET_DEFS.machine_type, PRESET_DEFS.type,") +
        " PRESET_DEFS.var_name, PRESET_DEFS.category_id, PRESET_DEFS.isBitArray," +
        " PRESET_DEFS.offset_or_bitno, PRESET_DEFS.text, PRESET_DEFS.page_name," +
        " PRESET_DEFS.abs_min, PRESET_DEFS.abs_max, PRESET_DEFS.min, PRESET_DEFS.max," + " PRESET_DEFS.pass" +
        state.AddFieldsSQL + " From PRESET_DEFS " + " WHERE (((PRESET_DEFS.machine_type)=" + kQ +
        dao::QuoteForQuery(row[kMachineType].ToText()) + kQ + ")" + " AND ((PRESET_DEFS.var_name)=" + kQ +
        dao::QuoteForQuery(row[kVarName].ToText()) + kQ + ") " + " AND ((PRESET_DEFS.offset_or_bitno)=" +
        row[kOffset].ToText() + "));";

    // Every additional field must be a column of the new table.
    std::unique_ptr<dao::Recordset> table;
    int new_columns = 0;
    trap.Step([&] {
      table = db.OpenRecordset("PRESET_DEFS");
      new_columns = dao::Use(table).FieldCount();
    });
    if (state.AddFieldNames) {
      const auto& names = *state.AddFieldNames;
      for (size_t j = 1; j < names.size(); ++j) {
        bool found = false;
        trap.Step([&] {
          for (int i = 1; i < new_columns && !found; ++i) found = dao::Use(table).FieldName(i) == names[j];
        });
        if (found) continue;
        const std::string comp = text::Upper(GetOCXName());
        trap.Step([&] {
          LogError(std::string("Conflict while attempting to extend database!") + "Configurationsfile " + kQ +
                       CfgName() + kQ + ", demanded field " + kQ + text::Upper(names[j]) + kQ +
                       "missing in machinecopy-database" + kLfCr + "Configuration of " + kQ + comp + kQ + " aborted.",
                   false);
        });
        trap.FatalStep([] { RaiseDatabaseError(); });
        EndProgram();
      }
    }
    table.reset();

    // A row whose query cannot be opened is not taken over, without a report.
    std::unique_ptr<dao::Recordset> match;
    Trap::Ignore([&] { match = db.OpenRecordset(sql); });
    if (!match) continue;
    long count = 0;
    trap.Step([&] { count = dao::Use(match).RecordCount(); });
    if (count <= 0) continue;
    trap.Step([&] { dao::Use(match).Edit(); });
    for (int k = kFirstTakenOver; k < 14; ++k) trap.Step([&] { dao::Use(match).Set(kOldColumns[k], row[k]); });
    trap.Step([&] { dao::Use(match).Update(); });
  }
}

}  // namespace tolvane
