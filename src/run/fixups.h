// Small operations that prepare the previous component database for the takeover and
// fill placeholders.
#pragma once

#include <string>

namespace tolvane {

// text with the first occurrence of search (found without regard to case) replaced.
std::string ReplaceSearchItem(const std::string& text, const std::string& search, const std::string& replacement);
// Renames, in the component database's PRESET_DEFS, the rows named in the other naming
// system's variant to this run's variant.
void VarNameInQuelleErsetzen(const std::string& visiwin32_name, const std::string& visiwinstudio_name);
// Renames a column "categorie" of the component database's PRESET_DEFS to "category_id".
void CategorieNachCategoryID();

}  // namespace tolvane
