// Whole-file reads and complete writes on POSIX descriptors, shared by the platform's
// files and its profile functions.
#pragma once

#include <optional>
#include <string>

namespace tolvane::platform::posix {

// The whole content of a regular file, or nothing when it cannot be read.
std::optional<std::string> ReadWholeFile(const std::string& path);
// Writes every byte, retrying short writes and interruptions.
bool WriteFully(int fd, const char* data, size_t size);
inline bool WriteFully(int fd, const std::string& bytes) { return WriteFully(fd, bytes.data(), bytes.size()); }

}  // namespace tolvane::platform::posix
