// A new, empty Jet 4 (Access 2000) database written from the format: header page, global
// usage map, the system tables MSysObjects, MSysACEs, MSysQueries and MSysRelationships
// with their indexes, and the catalog rows of the containers Access expects.
#pragma once

#include <string>

namespace tolvane::jet {

// Fails (3204 "Database already exists.") when `path` exists.
void CreateDatabase(const std::string& path);

}  // namespace tolvane::jet
