#include "ui/language.h"

#include "errors/trap.h"
#include "platform/text.h"
#include "settings/identity.h"
#include "settings/ini.h"
#include "ui/main_window.h"

namespace tolvane {
namespace {

const char* const kDesignLanguage = "1031";

bool CarriesText(const std::string& value) { return !value.empty() && value != "0"; }

bool IsArrayMember(const std::vector<Control>& controls, size_t i) {
  for (size_t j = 0; j < controls.size(); ++j)
    if (j != i && controls[j].name == controls[i].name) return true;
  return false;
}

bool HasCaptionEntry(const Control& c) {
  std::string cls = text::Upper(c.class_name);
  return cls == "LABEL" || cls == "COMMANDBUTTON" || cls == "CHECKBOX";
}

}  // namespace

std::string LanguageFilePath() { return ProgramFolder() + Sep() + ExecutableName() + ".ini"; }

std::string GetLanguage() {
  std::string result;
  Trap trap("GetLanguage");
  std::string value;
  trap.Step([&] { value = LoadIniString("Language", "Language", LanguageFilePath(), false); });
  if (trap.Test([&] { return value.empty(); })) {
    trap.Step([&] { SaveIni(IniText(kDesignLanguage), "Language", "Language", LanguageFilePath()); });
    result = kDesignLanguage;
    return result;
  }
  result = value;
  return result;
}

void LoadToolTipTexts() {
  const std::string lang = GetLanguage();
  const std::string file = LanguageFilePath();
  std::vector<Control>& controls = Window().controls;
  for (size_t i = 0; i < controls.size(); ++i) {
    Control& c = controls[i];
    const bool member = IsArrayMember(controls, i);
    // A failure only ends the work on this control, without a report.
    Trap::Quietly([&] {
      const std::string s = c.name + (member ? text::Decimal(c.index) : std::string()) + "_" + c.tag;
      if (HasCaptionEntry(c)) {
        const std::string key = "Caption_" + s;
        std::string value = LoadIniString(lang, key, file, false);
        if (CarriesText(value))
          c.caption = value;
        else
          SaveIni(IniText(lang != kDesignLanguage ? "0" : c.caption), lang, key, file);
        if (c.help_number != 0) {
          if (c.help_number < 1 || c.help_number > 100) RaiseSubscriptOutOfRange();
          const std::string help_key = "Help" + text::Decimal(c.help_number);
          if (!CarriesText(LoadIniString(lang, help_key, file, false)))
            SaveIni(IniText("0"), lang, help_key, file);
        }
      }
      if (text::Upper(c.tag).find("NOTTT") == std::string::npos) {
        const std::string key = "TTT_" + s;
        std::string value = LoadIniString(lang, key, file, false);
        if (CarriesText(value))
          c.tooltip = value;
        else
          SaveIni(IniText("0"), lang, key, file);
      }
    });
  }
}

}  // namespace tolvane
