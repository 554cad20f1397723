#include "settings/file_locations.h"

#include "errors/error_sub.h"
#include "errors/logs.h"
#include "errors/trap.h"
#include "platform/platform.h"
#include "platform/text.h"
#include "settings/identity.h"
#include "settings/ini.h"
#include "settings/program_state.h"

namespace tolvane {
namespace {

bool Exists(const std::string& path) { return platform::Current().files->Exists(path); }

std::string ExistingOrEmpty(const std::string& path) { return Exists(path) ? path : std::string(); }

// S + rest, with one separator between them whether or not S ends with one.
std::string UnderSaveAndRestore(const std::string& s, const std::string& rest) {
  const std::string sep = Sep();
  bool ends_with_sep = !s.empty() && s.back() == sep[0];
  return ends_with_sep ? s + rest : s + sep + rest;
}

std::string ComponentFile(const std::string& suffix) {
  const std::string sep = Sep();
  const std::string c = GetOCXName();
  return ProductFolder() + sep + c + sep + c + suffix;
}

}  // namespace

std::string GetZRBConfigurationIniPath() {
  std::string result;
  Trap trap("GetZRBConfigurationIniPath");
  trap.Step([&] {
    const std::string sep = Sep();
    result = ExistingOrEmpty(ProductFolder() + sep + "parameter" + sep + "zrbconfiguration.ini");
  });
  return result;
}

std::string GetProgramIniPath(int32_t selector) {
  std::string result;
  Trap trap("GetProgramIniPath");
  const std::string sep = Sep();
  std::string path;
  if (trap.Test([&] { return selector == 1 && State().IntegratedMode; })) {
    std::string s;
    trap.Step([&] { s = LoadIniString("Common", "SaveAndRestore", GetZRBConfigurationIniPath(), false); });
    trap.Step([&] { path = UnderSaveAndRestore(s, "parameter" + sep + "program.ini"); });
  } else {
    trap.Step([&] { path = ProductFolder() + sep + "parameter" + sep + "Program.ini"; });
  }
  trap.Step([&] { result = ExistingOrEmpty(path); });
  return result;
}

std::string GetCFGPath() {
  std::string result;
  Trap trap("GetCFGPath");
  std::string path;
  trap.Step([&] { path = ComponentFile(".cfg"); });
  if (trap.Test([&] { return Exists(path); })) {
    result = path;
  } else {
    trap.Step([&] { ShowMessageOrLog("File not found: " + std::string(kLfCr) + text::Upper(path)); });
    EndProgram();
  }
  return result;
}

std::string GetPathOCXMDB() {
  std::string result;
  Trap trap("GetPathOCXMDB");
  trap.Step([&] { result = ComponentFile(".mdb"); });
  return result;
}

std::string GetPathSourceOCXMDB() {
  std::string result;
  Trap trap("GetPathSourceOCXMDB");
  trap.Step([&] { result = ExistingOrEmpty(ComponentFile("_Source.mdb")); });
  return result;
}

std::string GetPathMachineCopyMDB(const std::string& configuration_file) {
  std::string result;
  Trap trap("GetPathMachineCopyMDB");
  std::string s, path;
  trap.Step([&] { s = LoadIniString("Common", "SaveAndRestore", configuration_file, false); });
  trap.Step([&] {
    const std::string sep = Sep();
    const std::string c = GetOCXName();
    path = UnderSaveAndRestore(s, c + sep + c + ".mdb");
  });
  // A test that fails (a drive not ready) counts as the file being there.
  bool exists = true;
  Trap::Ignore([&] { exists = Exists(path); });
  result = exists ? path : std::string();
  return result;
}

}  // namespace tolvane
