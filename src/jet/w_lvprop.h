// Property blobs (MSysObjects.LvProp, "MR2" format): a list of property names, then one
// block per object (the table, each column) named by the object's name. Renaming a column
// renames its block so its properties (caption, format, ...) stay with it.
#pragma once

#include <string>

namespace tolvane::jet {

// Renames the block of `old_name` (compared case-insensitively) to `new_name`; false when
// the blob has no such block or is not a property blob this engine understands.
bool RenameInPropertyBlob(std::string& blob, const std::string& old_name,
                          const std::string& new_name);

}  // namespace tolvane::jet
