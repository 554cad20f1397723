// Lowest layer: a database file as a sized run of bytes. Every read is checked against
// the file's size so that no damaged pointer can make the engine read outside the file;
// such a read is the failure 3049 (corrupt database), never undefined behaviour.
// Writing is added here later (through WriteAt and Flush) so that crash safety lives in
// one place.
#pragma once

#include <cstdint>
#include <fstream>
#include <memory>
#include <string>

namespace tolvane::jet {

class File {
 public:
  // 3024 when the file does not exist, 3049 when it cannot be read.
  static std::unique_ptr<File> Open(const std::string& path, bool writable = false);

  const std::string& path() const { return path_; }
  uint64_t size() const { return size_; }
  bool writable() const { return writable_; }

  // Copies `count` bytes at `offset` to `out`; a range beyond the end fails with 3049.
  void ReadAt(uint64_t offset, size_t count, uint8_t* out) const;

  // Writes `count` bytes at `offset`, growing the file when the range ends past it.
  void WriteAt(uint64_t offset, size_t count, const uint8_t* data);
  void Flush();

 private:
  File() = default;

  std::string path_;
  uint64_t size_ = 0;
  bool writable_ = false;
  mutable std::fstream stream_;
};

}  // namespace tolvane::jet
