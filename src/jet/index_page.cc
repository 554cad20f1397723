#include "jet/index_page.h"

#include <algorithm>
#include <cstring>

#include "jet/error.h"

namespace tolvane::jet {
namespace {

[[noreturn]] void BadPage(uint32_t number, const std::string& what) {
  throw Error(errc::kCannotOpenDatabase,
              "Cannot open database ''.  It may not be a database that your application "
              "recognizes, or the file may be corrupt.",
              "DAO.Database", "index page " + std::to_string(number) + ": " + what);
}

uint32_t LittleU32(const uint8_t* p) { return p[0] | (p[1] << 8) | (p[2] << 16) | (uint32_t{p[3]} << 24); }
void PutLittleU32(uint8_t* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}

size_t PointerBytes(bool leaf) { return leaf ? 4 : 8; }

// The whole bytes of an entry, as the page stores it before prefix compression.
std::string EntryBytes(const IndexEntry& e, bool leaf) {
  std::string s = e.key;
  s.push_back(static_cast<char>(e.page >> 16));
  s.push_back(static_cast<char>(e.page >> 8));
  s.push_back(static_cast<char>(e.page));
  s.push_back(static_cast<char>(e.row));
  if (!leaf) {
    for (int i = 3; i >= 0; --i) s.push_back(static_cast<char>(e.child >> (8 * i)));
  }
  return s;
}

size_t SharedPrefix(const std::vector<std::string>& all) {
  if (all.size() < 2) return 0;
  size_t n = all[0].size();
  for (size_t i = 1; i < all.size(); ++i) {
    size_t k = 0;
    // An entry is never stored empty: keep at least one byte of each.
    size_t limit = std::min({n, all[i].size() - 1, all[0].size() - 1});
    while (k < limit && all[0][k] == all[i][k]) ++k;
    n = k;
  }
  return n;
}

}  // namespace

IndexPageLayout IndexPageLayout::For(int jet_version) {
  if (jet_version >= 4) return {4096, 12, 16, 20, 24, 26, 27, 480, true};
  return {2048, 8, 12, 16, 20, 21, 22, 248, false};
}

IndexPage DecodeIndexPage(const uint8_t* data, const IndexPageLayout& L, uint32_t number) {
  IndexPage page;
  if (data[0] != 0x03 && data[0] != 0x04) BadPage(number, "not an index page");
  page.leaf = data[0] == 0x04;
  page.tdef_page = LittleU32(data + 4);
  page.prev = LittleU32(data + L.prev);
  page.next = LittleU32(data + L.next);
  page.tail = LittleU32(data + L.tail);
  size_t prefix = L.prefix_is_u16 ? (data[L.prefix] | (data[L.prefix + 1] << 8)) : data[L.prefix];
  const size_t capacity = L.capacity();
  const size_t bitmap_bytes = L.entries - L.bitmap;
  std::string first;
  size_t start = 0;
  for (size_t bit = 0; bit < bitmap_bytes * 8 && bit <= capacity; ++bit) {
    if (!((data[L.bitmap + bit / 8] >> (bit % 8)) & 1)) continue;
    if (bit <= start) BadPage(number, "empty entry");
    std::string bytes;
    if (!page.entries.empty()) {
      if (prefix > first.size()) BadPage(number, "prefix longer than the first entry");
      bytes.assign(first, 0, prefix);
    }
    bytes.append(reinterpret_cast<const char*>(data + L.entries + start), bit - start);
    if (page.entries.empty()) first = bytes;
    size_t ptr = PointerBytes(page.leaf);
    if (bytes.size() < ptr) BadPage(number, "entry shorter than its pointer");
    IndexEntry e;
    const uint8_t* p = reinterpret_cast<const uint8_t*>(bytes.data()) + bytes.size() - ptr;
    e.page = (uint32_t{p[0]} << 16) | (p[1] << 8) | p[2];
    e.row = p[3];
    if (!page.leaf) e.child = (uint32_t{p[4]} << 24) | (p[5] << 16) | (p[6] << 8) | p[7];
    e.key.assign(bytes, 0, bytes.size() - ptr);
    page.entries.push_back(std::move(e));
    start = bit;
  }
  page.free_space = static_cast<uint16_t>(data[2] | (data[3] << 8));
  page.used_bytes = start;
  return page;
}

size_t EncodedEntryBytes(const IndexPage& page) {
  std::vector<std::string> all;
  all.reserve(page.entries.size());
  size_t total = 0;
  for (const IndexEntry& e : page.entries) {
    all.push_back(EntryBytes(e, page.leaf));
    total += all.back().size();
  }
  size_t prefix = SharedPrefix(all);
  return all.empty() ? 0 : total - prefix * (all.size() - 1);
}

bool FitsIndexPage(const IndexPage& page, const IndexPageLayout& layout) {
  return EncodedEntryBytes(page) <= layout.capacity();
}

void EncodeIndexPage(const IndexPage& page, const IndexPageLayout& L, uint8_t* out) {
  std::memset(out, 0, L.page_size);
  std::vector<std::string> all;
  all.reserve(page.entries.size());
  for (const IndexEntry& e : page.entries) all.push_back(EntryBytes(e, page.leaf));
  size_t prefix = SharedPrefix(all);
  out[0] = page.leaf ? 0x04 : 0x03;
  out[1] = 0x01;
  PutLittleU32(out + 4, page.tdef_page);
  PutLittleU32(out + L.prev, page.prev);
  PutLittleU32(out + L.next, page.next);
  PutLittleU32(out + L.tail, page.tail);
  out[L.prefix] = static_cast<uint8_t>(prefix);
  if (L.prefix_is_u16) out[L.prefix + 1] = static_cast<uint8_t>(prefix >> 8);
  if (!page.leaf) out[L.node_flag] = 0x01;  // as Access writes node pages
  size_t pos = 0;
  for (size_t i = 0; i < all.size(); ++i) {
    size_t skip = i == 0 ? 0 : prefix;
    size_t n = all[i].size() - skip;
    if (pos + n > L.capacity()) BadPage(0, "entries do not fit the page");
    std::memcpy(out + L.entries + pos, all[i].data() + skip, n);
    pos += n;
    out[L.bitmap + pos / 8] |= static_cast<uint8_t>(1u << (pos % 8));
  }
  uint16_t free_space = static_cast<uint16_t>(L.capacity() - pos);
  out[2] = static_cast<uint8_t>(free_space);
  out[3] = static_cast<uint8_t>(free_space >> 8);
}

}  // namespace tolvane::jet
