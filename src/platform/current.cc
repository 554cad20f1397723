#include "platform/platform.h"

namespace tolvane::platform {

Platform& Current() {
  static Platform current;
  return current;
}

void Install(const Platform& p) { Current() = p; }

Answer ScriptedDialogs::Show(const MessageBox& box) {
  shown.push_back(box);
  if (next_ < answers_.size()) return answers_[next_++];
  if (box.buttons == Buttons::kOk) return Answer::kOk;
  return box.default_button == 0 ? Answer::kYes : Answer::kNo;
}

}  // namespace tolvane::platform
