// Index pages: leaves (0x04) hold entries key + row pointer; nodes (0x03) hold one entry
// per child, a copy of the child's last entry followed by the child's page number, except
// that the rightmost child of a node with more than one child has no entry and is
// reached through the child-tail pointer instead. Pages of a level are linked prev/next.
//
// On the page, entries are packed from a fixed start; a bitmap marks the byte where each
// entry ends, and every entry after the first omits the first `prefix length` bytes it
// shares with the first. Pointers inside entries are big-endian (3-byte page, row byte,
// then the 4-byte child page), unlike the rest of the file.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tolvane::jet {

struct IndexEntry {
  std::string key;
  uint32_t page = 0;   // the row this entry stands for
  uint8_t row = 0;
  uint32_t child = 0;  // node entries only

  // Entries order by key, then by row position.
  bool operator<(const IndexEntry& o) const {
    if (key != o.key) return key < o.key;  // std::string compares as unsigned bytes
    return page != o.page ? page < o.page : row < o.row;
  }
  bool operator==(const IndexEntry& o) const { return SameRow(o) && child == o.child; }
  bool SameRow(const IndexEntry& o) const { return key == o.key && page == o.page && row == o.row; }
};

struct IndexPageLayout {
  uint32_t page_size;
  size_t prev, next, tail, prefix, node_flag, bitmap, entries;
  bool prefix_is_u16;
  size_t capacity() const { return page_size - entries; }  // bytes for entries

  static IndexPageLayout For(int jet_version);
};

struct IndexPage {
  bool leaf = true;
  uint32_t tdef_page = 0;
  uint32_t prev = 0, next = 0, tail = 0;
  std::vector<IndexEntry> entries;
  // As read from the page (DecodeIndexPage), for checks.
  uint16_t free_space = 0;
  size_t used_bytes = 0;
};

// Decodes an index page; 3049 (corrupt) when its entries or bitmap do not add up.
IndexPage DecodeIndexPage(const uint8_t* data, const IndexPageLayout& layout,
                          uint32_t page_number);

// Bytes `page` needs for its entries on disk (written with the longest shared prefix).
size_t EncodedEntryBytes(const IndexPage& page);
// Whether it fits a page.
bool FitsIndexPage(const IndexPage& page, const IndexPageLayout& layout);

// Writes the whole page into `out` (layout.page_size bytes); the page must fit.
void EncodeIndexPage(const IndexPage& page, const IndexPageLayout& layout, uint8_t* out);

}  // namespace tolvane::jet
