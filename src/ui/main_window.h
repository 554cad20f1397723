// The program's one window, frm_Tolvane_Config_Exe: created hidden, its load handler is
// the whole run.
#pragma once

#include <string>
#include <vector>

namespace tolvane {

// A control of the window, as the language pass walks them.
struct Control {
  std::string name;
  int index = -1;          // array index; -1 for a single control
  std::string class_name;  // "Label", "CommandButton", "CheckBox", "Frame", "ComboBox", ...
  std::string tag;
  int help_number = 0;
  std::string caption;
  std::string tooltip;
  bool enabled = true;
};

struct MainWindow {
  std::string caption = "Base ZRBCFG-Erweiterung";
  std::vector<Control> controls;  // creation order
  bool wait_cursor = false;
  std::string zrb_configuration_ini_path;

  Control& Find(const std::string& name, int index = -1);
};

// The window as laid out, every control in creation order.
MainWindow MakeMainWindow();
// The one window of this run.
MainWindow& Window();

void Form_Load();
void SetupUserInterFace();
void CommandOK_Click();
[[noreturn]] void CloseMe();
void Form_QueryUnload(bool& cancel, int unload_mode);
bool ConfirmCancel();

// Creates the window and runs its load handler; returns the exit code.
int RunProgram();

}  // namespace tolvane
