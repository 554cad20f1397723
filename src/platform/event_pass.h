// One pass of pending window messages. The hidden window only ever receives close
// requests; the window installs what handles them, and the handler runs nested in
// whatever operation let the messages through.
#pragma once

#include <functional>

#include "platform/platform.h"

namespace tolvane {

void DoEvents();
void SetCloseRequestHandler(std::function<void()> handler);

// A modal message box: it lets pending messages through while it is open.
platform::Answer ShowBox(const platform::MessageBox& box);

}  // namespace tolvane
