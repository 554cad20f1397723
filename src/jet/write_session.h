// A database file opened for writing, and the page-level edits every write needs:
// appending pages (marked used in the global usage map, page 1 row 0, where a set bit
// means free), freeing them, setting and clearing pages in usage maps (an inline map
// that cannot reach a page becomes a reference map), and adding rows to data pages.
// Every change goes through Pager::WritePage and is flushed before the public operation
// that made it returns.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "jet/data_page.h"
#include "jet/header.h"
#include "jet/pager.h"

namespace tolvane::jet {

class WriteSession {
 public:
  // Opens `path` for reading and writing; only Jet 4 files can be written (3343 else).
  explicit WriteSession(const std::string& path);
  // Over a pager already opened for writing, shared with readers of the same file.
  explicit WriteSession(std::shared_ptr<Pager> pager);

  Pager& pager() { return *pager_; }
  const std::shared_ptr<Pager>& shared_pager() const { return pager_; }
  const Header& header() const { return header_; }
  uint32_t page_size() const { return pager_->page_size(); }

  std::vector<uint8_t> CopyPage(uint32_t number) const;
  void WritePage(uint32_t number, const uint8_t* data) { pager_->WritePage(number, data); }
  // A new page at the end of the file holding `data`.
  uint32_t AppendPage(const uint8_t* data);
  // Returns a page to the free pool: zeroed, and marked free in the global map.
  void FreePage(uint32_t number);

  // Marks (`on`) or clears `page` in the usage map stored at `map`.
  void SetMapBit(RowPointer map, uint32_t page, bool on);

  void Flush() { pager_->file().Flush(); }

 private:
  std::shared_ptr<Pager> pager_;
  Header header_;
};

// Data-page edits on a page buffer (Jet 4 layout).
namespace data_page {
void Init(uint8_t* page, uint32_t page_size, uint32_t owner);
size_t FreeSpace(const uint8_t* page);
int RowCount(const uint8_t* page);
// Adds a row; returns its number, or -1 when the page has no room (or 255 rows).
int AddRow(uint8_t* page, uint32_t page_size, const uint8_t* row, size_t size);
// Start and end of row `n`'s bytes and its flags.
void RowBounds(const uint8_t* page, uint32_t page_size, int n, size_t& start, size_t& end,
               uint16_t& flags);
void SetRowFlags(uint8_t* page, int n, uint16_t flags);
}  // namespace data_page

}  // namespace tolvane::jet
