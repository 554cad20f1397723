#include "run/record_generation.h"

#include "errors/trap.h"
#include "platform/event_pass.h"
#include "platform/text.h"
#include "run/dao.h"
#include "run/fixups.h"
#include "settings/command_line.h"
#include "settings/file_locations.h"
#include "settings/ini.h"
#include "settings/machines.h"
#include "settings/program_state.h"

namespace tolvane {
namespace {

using dao::Value;

// The template, read once: [column][row], rows from 1.
class TemplateRows {
 public:
  void Resize(int columns, int rows) {
    cells_.assign(static_cast<size_t>(columns), std::vector<Value>(static_cast<size_t>(rows) + 1));
  }
  Value& At(int column, int row) {
    if (column < 0 || static_cast<size_t>(column) >= cells_.size() || row < 1 ||
        static_cast<size_t>(row) >= cells_[static_cast<size_t>(column)].size())
      RaiseSubscriptOutOfRange();
    return cells_[static_cast<size_t>(column)][static_cast<size_t>(row)];
  }

 private:
  std::vector<std::vector<Value>> cells_;
};

const std::string& Pattern(int system, int part) {
  if (part < 1 || part > 50) RaiseSubscriptOutOfRange();
  return State().VarNamePattern[static_cast<size_t>(system)][static_cast<size_t>(part)];
}

const std::string& MachineName(int machine) {
  const auto& names = State().MachineNames;
  if (machine < 1 || static_cast<size_t>(machine) >= names.size()) RaiseSubscriptOutOfRange();
  return names[static_cast<size_t>(machine)];
}

}  // namespace

void CreateRecordSets(dao::Database& db) {
  Trap trap("CreateRecordSets");
  std::string valid;
  trap.Step([&] { valid = GetValidMachines(); });
  std::unique_ptr<dao::Recordset> dest, source;
  trap.Step([&] { dest = db.OpenRecordset("PRESET_DEFS"); });
  trap.Step([&] {
    source = db.OpenRecordset("SELECT Source_PRESET_DEFS.* From Source_PRESET_DEFS ORDER BY Source_PRESET_DEFS.ID");
  });
  int16_t n = 0;
  trap.Step([&] { n = ToInt16(dao::Use(source).RecordCount()); });

  TemplateRows rows;
  if (trap.Test([&] { return n > 0; })) {
    int columns = 0;
    trap.Step([&] { columns = dao::Use(source).FieldCount(); });
    rows.Resize(columns, n);
    trap.Step([&] { dao::Use(source).MoveFirst(); });
    for (int r = 1; r <= n; ++r) {
      for (int c = 0; c < columns; ++c) {
        DoEvents();
        trap.Step([&] { rows.At(c, r) = dao::Use(source).Get(c); });
      }
      trap.Step([&] { dao::Use(source).MoveNext(); });
    }
  }

  int16_t running = 1;
  if (!trap.Test([&] { return n > 0; })) return;
  for (int machine = 1; machine <= 1; ++machine) {
    bool selected = false;
    if (trap.Test([] { return GetStartModeIntegrated(); })) {
      trap.Step([&] {
        const std::string v = text::Upper(valid);
        selected = v == "ALL" || v.find(text::Upper(MachineName(machine))) != std::string::npos;
      });
    } else {
      trap.Step([&] {
        selected = LoadIniBoolean("Project", "ForMachine" + text::Decimal(machine), GetCFGPath(), false);
      });
    }
    if (!trap.Test([&] { return selected; })) continue;
    int dest_columns = 0;
    trap.Step([&] { dest_columns = dao::Use(dest).FieldCount(); });
    for (int r = 1; r <= n; ++r) {
      DoEvents();
      trap.Step([&] { dao::Use(dest).AddNew(); });
      trap.Step([&] {
        Value id;
        id.SetInteger(running);
        dao::Use(dest).Set("ID", id);
      });
      trap.Step([&] { running = ToInt16(running + 1); });
      for (int c = 1; c < dest_columns; ++c) {
        DoEvents();
        if (trap.Test([&] { return rows.At(c, r).is_text(); })) {
          if (trap.Test([&] { return text::Upper(dao::Use(dest).FieldName(c)) == "VAR_NAME"; })) {
            int part = 0;
            trap.Step([&] { part = dao::PartNumber(dao::Use(dest).Get("part")); });
            std::string variant[2];
            for (int k = 0; k <= 1; ++k) {
              trap.Step([&] { variant[k] = ReplaceSearchItem(Pattern(k, part), "###Var_Name", rows.At(c, r).text()); });
              trap.Step([&] { variant[k] = ReplaceSearchItem(variant[k], "###machine", MachineName(machine)); });
              trap.Step([&] { variant[k] = ReplaceSearchItem(variant[k], "###machine", MachineName(machine)); });
            }
            trap.Step([&] { VarNameInQuelleErsetzen(variant[0], variant[1]); });
            trap.Step([&] { dao::Use(dest).Set(c, Value::Text(variant[State().VWStudioMode != 0 ? 1 : 0])); });
          } else {
            trap.Step([&] {
              dao::Use(dest).Set(c, Value::Text(ReplaceSearchItem(rows.At(c, r).text(), "###machine", MachineName(machine))));
            });
          }
        } else {
          trap.Step([&] { dao::Use(dest).Set(c, rows.At(c, r)); });
        }
      }
      trap.Step([&] { dao::Use(dest).Update(); });
    }
  }
}

}  // namespace tolvane
