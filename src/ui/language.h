// The window's captions and tooltips from the language file next to the program, which
// the pass seeds with placeholders and, for the design language, the design captions.
#pragma once

#include <string>

namespace tolvane {

// <program folder>/<executable name>.ini
std::string LanguageFilePath();
// The code in [Language] Language=; "1031" is written when it is empty.
std::string GetLanguage();
void LoadToolTipTexts();

}  // namespace tolvane
