#include "errors/logs.h"

#include "errors/failure.h"
#include "platform/event_pass.h"
#include "platform/platform.h"
#include "platform/text.h"
#include "settings/command_line.h"
#include "settings/identity.h"
#include "settings/program_state.h"

namespace tolvane {
namespace {

void AppendEntry(const std::string& path, const std::string& text) {
  if (path.empty()) throw Failure(err::kPathFileAccess, kRuntimeSource, "Path/File access error");
  platform::Current().files->Append(path, text::ToCp1252(text) + "\r\n");
}

}  // namespace

std::string ErrorLogPath() {
  if (State().IntegratedMode) return GetPathLogfile();
  DoEvents();
  return ProductFolder() + Sep() + "ZRBcfglog.txt";
}

std::string LogError(const std::string& log_text, bool show_notice) {
  std::string path = ErrorLogPath();
  AppendEntry(path, log_text);
  std::string notice = "Error logged to " + std::string(kLfCr) + text::Upper(path);
  if (show_notice) {
    ShowMessageOrLog(notice);
    return {};
  }
  return notice;
}

void WriteServicePackLog(const std::string& text) {
  AppendEntry(platform::ServicePackLogPath(), "! Fault " + ExecutableName() + ": " + text);
}

void ShowMessageOrLog(const std::string& text) {
  if (State().SilentMode) {
    WriteServicePackLog(text);
    return;
  }
  platform::MessageBox box;
  box.text = text;
  box.title = ExecutableName();
  box.buttons = platform::Buttons::kOk;
  box.icon = platform::Icon::kCritical;
  ShowBox(box);
}

}  // namespace tolvane
