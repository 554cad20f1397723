#include "errors/error_sub.h"

#include "errors/failure.h"
#include "errors/logs.h"
#include "platform/event_pass.h"
#include "platform/text.h"
#include "settings/identity.h"
#include "settings/program_state.h"

namespace tolvane {

int ErrorSub(int32_t err_number, const std::string& err_source, const std::string& err_description,
             const std::string& proc_name, bool fatal) {
  // The handler must not report through itself, so a component name that cannot be
  // derived is the empty text here.
  std::string line = "Fehler in " + ComponentNameOrEmpty() + " / " + err_source + " / " + proc_name +
                     " (Nr. " + text::Decimal(err_number) + ") :" + err_description;
  std::string notice = LogError(line, false);
  std::string message = "Unexpected error!" + std::string(kLfCr) + err_description + kLfCr + notice;
  if (State().SilentMode) {
    WriteServicePackLog(message);
    return kErrorSubGoOn;
  }
  platform::MessageBox box;
  box.icon = platform::Icon::kCritical;
  if (fatal) {
    box.text = message;
    box.title = "Fatal error";
    box.buttons = platform::Buttons::kOk;
    ShowBox(box);
    return kErrorSubEnd;
  }
  box.text = message + kLfCr + "Resume?";
  box.title = "Unexpected error";
  box.buttons = platform::Buttons::kYesNo;
  box.default_button = 0;
  return ShowBox(box) == platform::Answer::kYes ? kErrorSubGoOn : kErrorSubEnd;
}

void EndProgram(int exit_code) { throw EndSignal{exit_code}; }

}  // namespace tolvane
