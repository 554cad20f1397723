#include "ui/main_window.h"

#include <iostream>

#include "errors/error_sub.h"
#include "errors/logs.h"
#include "errors/trap.h"
#include "platform/event_pass.h"
#include "platform/text.h"
#include "run/work_on_mdb.h"
#include "settings/command_line.h"
#include "settings/edit_info.h"
#include "settings/file_locations.h"
#include "settings/identity.h"
#include "settings/machines.h"
#include "settings/program_state.h"
#include "ui/language.h"

namespace tolvane {
namespace {

void Add(MainWindow& w, const std::string& name, const std::string& cls, int index = -1,
         const std::string& caption = {}, const std::string& tag = {}, int help = 0) {
  Control c;
  c.name = name;
  c.index = index;
  c.class_name = cls;
  c.caption = caption;
  c.tag = tag;
  c.help_number = help;
  w.controls.push_back(std::move(c));
}

void WriteInputs() {
  Trap trap("WriteInputs");
  trap.Step([] { WriteEditInfo(); });
}

}  // namespace

MainWindow MakeMainWindow() {
  MainWindow w;
  const std::string no_ttt = "NoTTT";
  Add(w, "CommandQuest", "CommandButton");
  Add(w, "CommandCancel", "CommandButton", -1, "", "", 2);
  Add(w, "CommandOK", "CommandButton", -1, "", "", 1);
  Add(w, "MainFrame", "Frame");
  Add(w, "Frame1", "Frame", -1, "", no_ttt);
  Add(w, "Check2ndDiagPage", "CheckBox", 0, "=zweite Diagnoseseite vorhanden", no_ttt);
  Add(w, "FrameInputs", "Frame", -1, "", no_ttt);
  Add(w, "ComboServo", "ComboBox", 3);
  Add(w, "ComboServo", "ComboBox", 2);
  for (int i = 45; i >= 4; --i) Add(w, "ComboServo", "ComboBox", i);
  Add(w, "ComboServo", "ComboBox", 1);
  for (int i = 5; i >= 1; --i) Add(w, "ComboNrServos", "ComboBox", i);
  for (int i = 1; i <= 45; ++i) Add(w, "Check2ndDiagPage", "CheckBox", i);
  Add(w, "Line1", "Line", -1, "", no_ttt);
  for (int i = 10; i >= 0; --i) Add(w, "LineS", "Line", i, "", no_ttt);
  for (int i = 5; i >= 0; --i) Add(w, "LineW", "Line", i, "", no_ttt);
  for (int i = 5; i >= 1; --i) Add(w, "Label", "Label", i, "Maschine " + text::Decimal(i), no_ttt);
  Add(w, "PictureServo", "PictureBox", -1, "", "B");
  Add(w, "LabelPictureServo", "Label", -1, "zum Verkleinern clicken", no_ttt);
  Add(w, "MitFehler", "CheckBox", -1, "Mit Fehlerausgabe");
  Add(w, "ImageListServos", "ImageList", -1, "", no_ttt);
  Add(w, "LabelImageServo", "Label", -1, "zum Verkleinern clicken", no_ttt);
  Add(w, "ImageServo", "Image");
  Add(w, "Header", "Label", -1, "Tolvane - Konfiguration Voreinstellungen System");
  return w;
}

Control& MainWindow::Find(const std::string& name, int index) {
  for (Control& c : controls)
    if (c.name == name && c.index == index) return c;
  throw Failure(730, kRuntimeSource, "Control '" + name + "' not found");
}

MainWindow& Window() {
  static MainWindow window = MakeMainWindow();
  return window;
}

void Form_Load() {
  Trap trap("Form_Load");
  MainWindow& w = Window();
  trap.Step([] { LoadToolTipTexts(); });
  trap.Step([&] { w.zrb_configuration_ini_path = GetZRBConfigurationIniPath(); });
  if (trap.Test([] { return GetStartModeIntegrated(); })) {
    trap.Step([&] { w.caption = "Erweiterte Konfiguration " + GetFileNameOnly(ProgramFolder()) + " - integriert"; });
  } else {
    trap.Step([&] { w.caption = "Erweiterte Konfiguration " + GetFileNameOnly(ProgramFolder()) + " - standalone"; });
  }
  trap.Step([&] { GetExistingMachines(w.zrb_configuration_ini_path); });
  trap.Step([] { SetupUserInterFace(); });
  if (trap.Test([] { return !State().SilentMode; })) {
    trap.Step([&] { w.Find("CommandOK").enabled = true; });
    trap.Step([&] { w.Find("CommandCancel").enabled = true; });
  } else {
    trap.Step([] { CommandOK_Click(); });
  }
  trap.Step([] { CloseMe(); });
}

void SetupUserInterFace() {
  Trap trap("SetupUserInterFace");
  trap.Step([] { GetProgramIniPath(1); });
  // The walks over the used and the free machine slots change nothing on the hidden
  // window; what remains of them is asking for the machine count, once per walk, which
  // fails on an empty machine list.
  trap.Step([] { MachineCount(); });
  trap.Step([] { MachineCount(); });
}

void CommandOK_Click() {
  Trap trap("CommandOK_Click");
  MainWindow& w = Window();
  trap.Step([&] { w.Find("CommandOK").enabled = false; });
  trap.Step([&] { w.Find("CommandCancel").enabled = false; });
  trap.Step([] { CloseMe(); });
}

void CloseMe() {
  {
    Trap trap("CloseMe");
    MainWindow& w = Window();
    DoEvents();
    w.wait_cursor = true;
    trap.Step([] { WorkOnMDB(); });
    trap.Step([] { WriteInputs(); });
    w.wait_cursor = false;
  }
  EndProgram(exit_code::kDone);
}

bool ConfirmCancel() {
  const std::string q = "\"";
  std::string p = "Cancel edits?" + std::string(kLfCr) + "Remark:" + kLfCr +
                  "Until now no changes have been taken over ";
  if (State().IntegratedMode) {
    p += kLfCr + q + GetOCXName() + q + " has to be configured again in " + q + "standalone-mode" + q +
         " via " + kLfCr + q + ProgramFolder() + Sep() + ExecutableFileName() + q;
  }
  if (State().SilentMode) {
    WriteServicePackLog(p);
    return true;
  }
  platform::MessageBox box;
  box.text = p;
  box.title = "Cancel?";
  box.buttons = platform::Buttons::kYesNo;
  box.icon = platform::Icon::kExclamation;
  box.default_button = 1;
  if (ShowBox(box) == platform::Answer::kYes) {
    LogError("Konfigurations-EXE wurde abgebrochen:     " + GetOCXName(), false);
    return true;
  }
  return false;
}

void Form_QueryUnload(bool& cancel, int /*unload_mode*/) {
  Trap trap("Form_QueryUnload");
  if (trap.Test([] { return !ConfirmCancel(); })) cancel = true;
}

int RunProgram() {
  Window() = MakeMainWindow();
  // A close request that reaches the hidden window: when it is allowed, the window closes,
  // and with it the program.
  SetCloseRequestHandler([] {
    bool cancel = false;
    Form_QueryUnload(cancel, 0);
    if (!cancel) EndProgram(exit_code::kCancelled);
  });
  try {
    Form_Load();
    return exit_code::kDone;
  } catch (const EndSignal& end) {
    return end.exit_code;
  } catch (const Failure& f) {
    std::cerr << "Run-time error '" << f.number() << "':\n" << f.description() << "\n";
    return exit_code::kEndedByFailure;
  } catch (const std::exception& e) {
    std::cerr << "Run-time error:\n" << e.what() << "\n";
    return exit_code::kEndedByFailure;
  }
}

}  // namespace tolvane
