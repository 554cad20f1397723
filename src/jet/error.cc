#include "jet/error.h"

namespace tolvane::jet {

void ThrowCorrupt(const std::string& path, const std::string& detail) {
  throw Error(errc::kCannotOpenDatabase,
              "Cannot open database '" + path +
                  "'.  It may not be a database that your application recognizes, or the "
                  "file may be corrupt.",
              "DAO.Workspace", detail);
}

void ThrowUnrecognizedFormat(const std::string& path, const std::string& detail) {
  throw Error(errc::kUnrecognizedFormat, "Unrecognized database format '" + path + "'.",
              "DAO.Workspace", detail);
}

void ThrowItemNotFound(std::string_view what) {
  throw Error(errc::kItemNotFound, "Item not found in this collection.", "DAO.Fields",
              std::string(what));
}

void ThrowNoCurrentRecord() {
  throw Error(errc::kNoCurrentRecord, "No current record.", "DAO.Recordset");
}

}  // namespace tolvane::jet

namespace tolvane::jet {

void ThrowInputTableNotFound(std::string_view name) {
  throw Error(errc::kInputTableNotFound,
              "The Microsoft Jet database engine cannot find the input table or query '" +
                  std::string(name) +
                  "'.  Make sure it exists and that its name is spelled correctly.",
              "DAO.Database");
}

}  // namespace tolvane::jet
