#include "settings/identity.h"

#include "errors/trap.h"
#include "platform/platform.h"
#include "platform/text.h"

namespace tolvane {

std::string ProgramFolder() { return platform::Current().process->ProgramFolder(); }

std::string ExecutableName() { return platform::Current().process->ExecutableName(); }

std::string ExecutableFileName() {
#ifdef _WIN32
  return ExecutableName() + ".exe";
#else
  return ExecutableName();
#endif
}

std::string Sep() { return std::string(1, platform::Current().process->Separator()); }

std::string ComponentNameOrEmpty() {
  std::string exe = ExecutableName();
  size_t n = text::Length(exe);
  return n < 7 ? std::string() : text::Left(exe, n - 7);
}

std::string GetOCXName() {
  std::string result;
  Trap trap("GetOCXName");
  trap.Step([&] {
    std::string exe = ExecutableName();
    size_t n = text::Length(exe);
    if (n < 7)
      throw Failure(err::kInvalidProcedureCall, kRuntimeSource,
                    "Invalid procedure call or argument");
    result = text::Left(exe, n - 7);
  });
  return result;
}

std::string GetFileNameOnly(const std::string& path) {
  std::string rest;
  Trap trap("GetFileNameOnly");
  trap.Step([&] {
    rest = path;
    const std::string sep = Sep();
    size_t at;
    while ((at = rest.find(sep)) != std::string::npos) rest = rest.substr(at + 1);
  });
  return rest;
}

std::string ProductFolder() {
  std::string folder = ProgramFolder();
  const char sep = platform::Current().process->Separator();
  while (!folder.empty() && folder.back() != sep) folder.pop_back();
  if (!folder.empty()) folder.pop_back();
  return folder;
}

}  // namespace tolvane
