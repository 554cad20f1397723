// Pages: the file seen as numbered pages of 2048 (Jet 3) or 4096 (Jet 4) bytes.
// The page size follows the version byte of page 0. Pages are read once and cached for the
// life of the Pager (files this engine handles are small next to memory; a table scan then
// costs one read per page). A Page is a bounds-checked view: any offset outside it is the
// failure 3049, so a damaged offset inside a page cannot reach other memory.
#pragma once

#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "jet/file.h"

namespace tolvane::jet {

enum class PageType : uint8_t {
  kHeader = 0x00,
  kData = 0x01,
  kTableDef = 0x02,
  kIndexNode = 0x03,
  kIndexLeaf = 0x04,
  kUsageMap = 0x05,
};

class Pager;

class Page {
 public:
  Page(const Pager* pager, uint32_t number, const uint8_t* data, uint32_t size)
      : pager_(pager), number_(number), data_(data), size_(size) {}

  uint32_t number() const { return number_; }
  uint32_t size() const { return size_; }
  uint8_t type() const { return data_[0]; }

  uint8_t U8(size_t offset) const { Check(offset, 1); return data_[offset]; }
  uint16_t U16(size_t offset) const {
    Check(offset, 2);
    return static_cast<uint16_t>(data_[offset] | (data_[offset + 1] << 8));
  }
  uint32_t U24(size_t offset) const {
    Check(offset, 3);
    return data_[offset] | (data_[offset + 1] << 8) | (uint32_t{data_[offset + 2]} << 16);
  }
  uint32_t U32(size_t offset) const {
    Check(offset, 4);
    uint32_t v;
    std::memcpy(&v, data_ + offset, 4);
    return v;  // the engine builds only for little-endian machines
  }
  // `count` bytes at `offset`, checked.
  const uint8_t* Bytes(size_t offset, size_t count) const {
    Check(offset, count);
    return data_ + offset;
  }
  const uint8_t* data() const { return data_; }

  // Fails with 3049 unless the page has the given type.
  void ExpectType(PageType type, const char* what) const;
  [[noreturn]] void Corrupt(const std::string& detail) const;

 private:
  void Check(size_t offset, size_t count) const {
    if (offset > size_ || count > size_ - offset) OutOfPage(offset, count);
  }
  [[noreturn]] void OutOfPage(size_t offset, size_t count) const;

  const Pager* pager_;
  uint32_t number_;
  const uint8_t* data_;
  uint32_t size_;
};

class Pager {
 public:
  // Reads the version byte of page 0: 3343 for a file that is not a Jet 3 / Jet 4
  // database (including .accdb files), 3049 for one too short to hold its header.
  explicit Pager(std::unique_ptr<File> file);

  int jet_version() const { return jet_version_; }
  uint32_t page_size() const { return page_size_; }
  uint32_t page_count() const { return page_count_; }
  const std::string& path() const { return file_->path(); }
  File& file() { return *file_; }

  // Page `number`; 3049 when it lies beyond the end of the file.
  Page page(uint32_t number) const;

  // Drops a cached page so the next page() reads it again (for writers).
  void Forget(uint32_t number);

  // Writes a whole page through the file and keeps the cache in step; `number` may be
  // the page just past the end, which grows the file. Every write of the engine comes
  // through here, so a journal can be added in one place. (Defined in w_pager.cc.)
  void WritePage(uint32_t number, const uint8_t* data);

 private:
  std::unique_ptr<File> file_;
  int jet_version_ = 0;
  uint32_t page_size_ = 0;
  uint32_t page_count_ = 0;
  mutable std::vector<std::unique_ptr<uint8_t[]>> cache_;
};

}  // namespace tolvane::jet
