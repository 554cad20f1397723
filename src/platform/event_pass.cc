#include "platform/event_pass.h"

namespace tolvane {
namespace {
std::function<void()>& Handler() {
  static std::function<void()> handler;
  return handler;
}
}  // namespace

void SetCloseRequestHandler(std::function<void()> handler) { Handler() = std::move(handler); }

void DoEvents() {
  platform::Events* events = platform::Current().events;
  if (events == nullptr) return;
  while (events->TakeCloseRequest()) {
    if (Handler()) Handler()();
  }
}

platform::Answer ShowBox(const platform::MessageBox& box) {
  DoEvents();
  return platform::Current().dialogs->Show(box);
}

}  // namespace tolvane
