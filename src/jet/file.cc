#include "jet/file.h"

#include <filesystem>
#include <system_error>

#include "jet/error.h"

namespace tolvane::jet {

namespace {

std::filesystem::path PathFromUtf8(const std::string& path) {
  return std::filesystem::path(std::u8string(path.begin(), path.end()));
}

}  // namespace

std::unique_ptr<File> File::Open(const std::string& path, bool writable) {
  std::error_code ec;
  const auto fs_path = PathFromUtf8(path);
  if (!std::filesystem::is_regular_file(fs_path, ec)) {
    throw Error(errc::kFileNotFound, "Could not find file '" + path + "'.", "DAO.Workspace");
  }
  if (writable) {
    // A file without any write permission is read-only, as the attribute is on Windows,
    // even for an administrator.
    using std::filesystem::perms;
    const perms p = std::filesystem::status(fs_path, ec).permissions();
    if (!ec && (p & (perms::owner_write | perms::group_write | perms::others_write)) == perms::none)
      throw Error(3027, "Cannot update.  Database or object is read-only.", "DAO.Database");
  }
  std::unique_ptr<File> file(new File());
  file->path_ = path;
  file->writable_ = writable;
  auto mode = std::ios::binary | std::ios::in;
  if (writable) mode |= std::ios::out;
  file->stream_.open(fs_path, mode);
  if (!file->stream_) ThrowCorrupt(path, "the file cannot be opened");
  const auto size = std::filesystem::file_size(fs_path, ec);
  if (ec) ThrowCorrupt(path, "the file's size cannot be read");
  file->size_ = size;
  return file;
}

void File::ReadAt(uint64_t offset, size_t count, uint8_t* out) const {
  if (offset > size_ || count > size_ - offset) {
    ThrowCorrupt(path_, "read of " + std::to_string(count) + " bytes at " +
                            std::to_string(offset) + " beyond the end of the file (" +
                            std::to_string(size_) + " bytes)");
  }
  stream_.clear();
  stream_.seekg(static_cast<std::streamoff>(offset));
  stream_.read(reinterpret_cast<char*>(out), static_cast<std::streamsize>(count));
  if (static_cast<size_t>(stream_.gcount()) != count) {
    ThrowCorrupt(path_, "short read at " + std::to_string(offset));
  }
}

void File::WriteAt(uint64_t offset, size_t count, const uint8_t* data) {
  if (!writable_) {
    throw Error(3027, "Cannot update.  Database or object is read-only.", "DAO.Database");
  }
  stream_.clear();
  stream_.seekp(static_cast<std::streamoff>(offset));
  stream_.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(count));
  if (!stream_) ThrowCorrupt(path_, "write failed at " + std::to_string(offset));
  if (offset + count > size_) size_ = offset + count;
}

void File::Flush() {
  stream_.flush();
  if (!stream_) ThrowCorrupt(path_, "flush failed");
}

}  // namespace tolvane::jet
