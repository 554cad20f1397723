// Tolvane_Config: the configuration program of the Tolvane component. It creates its
// window, whose load handler is the whole run, and ends with the run's exit code.
#include <iostream>

#include "errors/failure.h"
#include "platform/platform.h"
#include "ui/main_window.h"

int main(int argc, char** argv) {
  using namespace tolvane;
  auto process = platform::MakeSystemProcess(argc, argv);
  auto files = platform::MakeSystemFiles();
  auto dialogs = platform::MakeSystemDialogs();
  auto events = platform::MakeSystemEvents();
  auto profile = platform::MakeSystemProfile();
  platform::Install({process.get(), files.get(), dialogs.get(), events.get(), profile.get()});
  return RunProgram();
}
