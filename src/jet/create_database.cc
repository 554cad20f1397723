#include "jet/create_database.h"

#include "jet/error.h"

namespace tolvane::jet {

void CreateDatabase(const std::string& path) {
  throw Error(3251, "Operation is not supported for this type of object.", "DAO.DBEngine",
              "creating a new database file is not written yet");
}

}  // namespace tolvane::jet
