#include "jet/write_session.h"

#include <cstring>

#include "jet/error.h"

namespace tolvane::jet {
namespace {

constexpr RowPointer kGlobalMap{1, 0};
constexpr size_t kJet4RowTable = 14;  // offset table of a Jet 4 data page

uint16_t Get16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
void Put16(uint8_t* p, uint16_t v) { p[0] = static_cast<uint8_t>(v); p[1] = static_cast<uint8_t>(v >> 8); }
uint32_t Get32(const uint8_t* p) { uint32_t v; std::memcpy(&v, p, 4); return v; }
void Put32(uint8_t* p, uint32_t v) { std::memcpy(p, &v, 4); }

}  // namespace

namespace data_page {

void Init(uint8_t* page, uint32_t page_size, uint32_t owner) {
  std::memset(page, 0, page_size);
  page[0] = 0x01;
  page[1] = 0x01;
  Put16(page + 2, static_cast<uint16_t>(page_size - kJet4RowTable));
  Put32(page + 4, owner);
}

size_t FreeSpace(const uint8_t* page) { return Get16(page + 2); }
int RowCount(const uint8_t* page) { return Get16(page + 12); }

void RowBounds(const uint8_t* page, uint32_t page_size, int n, size_t& start, size_t& end,
               uint16_t& flags) {
  uint16_t entry = Get16(page + kJet4RowTable + 2 * n);
  flags = entry & ~kRowOffsetMask;
  start = entry & kRowOffsetMask;
  end = n == 0 ? page_size : (Get16(page + kJet4RowTable + 2 * (n - 1)) & kRowOffsetMask);
}

void SetRowFlags(uint8_t* page, int n, uint16_t flags) {
  uint8_t* at = page + kJet4RowTable + 2 * n;
  Put16(at, static_cast<uint16_t>((Get16(at) & kRowOffsetMask) | flags));
}

int AddRow(uint8_t* page, uint32_t page_size, const uint8_t* row, size_t size) {
  const int count = RowCount(page);
  if (count >= 255 || FreeSpace(page) < size + 2) return -1;
  size_t lowest = page_size;
  for (int i = 0; i < count; ++i) {
    size_t start = Get16(page + kJet4RowTable + 2 * i) & kRowOffsetMask;
    if (start != 0 && start < lowest) lowest = start;
  }
  const size_t table_end = kJet4RowTable + 2 * (count + 1);
  if (lowest < size || lowest - size < table_end) return -1;
  const size_t start = lowest - size;
  std::memcpy(page + start, row, size);
  Put16(page + kJet4RowTable + 2 * count, static_cast<uint16_t>(start));
  Put16(page + 12, static_cast<uint16_t>(count + 1));
  Put16(page + 2, static_cast<uint16_t>(start - table_end));
  return count;
}

}  // namespace data_page

WriteSession::WriteSession(const std::string& path)
    : WriteSession(std::make_shared<Pager>(File::Open(path, true))) {}

WriteSession::WriteSession(std::shared_ptr<Pager> pager)
    : pager_(std::move(pager)), header_(Header::Read(*pager_)) {
  if (pager_->jet_version() != 4) {
    throw Error(errc::kUnrecognizedFormat, "Unrecognized database format '" + pager_->path() + "'.",
                "DAO.Database", "only Jet 4 files can be written");
  }
}

std::vector<uint8_t> WriteSession::CopyPage(uint32_t number) const {
  Page p = pager_->page(number);
  return std::vector<uint8_t>(p.data(), p.data() + p.size());
}

uint32_t WriteSession::AppendPage(const uint8_t* data) {
  const uint32_t number = pager_->page_count();
  pager_->WritePage(number, data);
  SetMapBit(kGlobalMap, number, false);
  return number;
}

void WriteSession::FreePage(uint32_t number) {
  std::vector<uint8_t> zero(page_size(), 0);
  pager_->WritePage(number, zero.data());
  SetMapBit(kGlobalMap, number, true);
}

void WriteSession::SetMapBit(RowPointer map, uint32_t page, bool on) {
  std::vector<uint8_t> buf = CopyPage(map.page);
  if (buf[0] != 0x01) ThrowCorrupt(pager_->path(), "usage map is not on a data page");
  size_t start, end;
  uint16_t flags;
  if (map.row >= data_page::RowCount(buf.data())) ThrowCorrupt(pager_->path(), "usage map row missing");
  data_page::RowBounds(buf.data(), page_size(), map.row, start, end, flags);
  if (end <= start + 5 || end > page_size()) ThrowCorrupt(pager_->path(), "usage map row too short");
  uint8_t* row = buf.data() + start;
  const size_t size = end - start;
  const uint64_t per_ref = uint64_t{page_size() - 4} * 8;

  if (row[0] == 0) {
    const uint32_t first = Get32(row + 1);
    const uint64_t span = uint64_t{size - 5} * 8;
    if (page >= first && page - first < span) {
      uint8_t& b = row[5 + (page - first) / 8];
      const uint8_t bit = static_cast<uint8_t>(1u << ((page - first) % 8));
      b = on ? (b | bit) : (b & ~bit);
      pager_->WritePage(map.page, buf.data());
      return;
    }
    if (!on) return;  // not marked already
    // Out of reach of the inline bitmap: turn the map into references to bitmap pages.
    std::vector<uint32_t> marked;
    for (uint64_t i = 0; i < span; ++i) {
      if ((row[5 + i / 8] >> (i % 8)) & 1) marked.push_back(static_cast<uint32_t>(first + i));
    }
    marked.push_back(page);
    const size_t refs = (size - 1) / 4;
    for (uint32_t p : marked) {
      if (p / per_ref >= refs) ThrowCorrupt(pager_->path(), "usage map cannot reach page " + std::to_string(p));
    }
    std::memset(row, 0, size);
    row[0] = 1;
    pager_->WritePage(map.page, buf.data());
    for (uint32_t p : marked) SetMapBit(map, p, true);
    return;
  }
  if (row[0] != 1) ThrowCorrupt(pager_->path(), "usage map of unknown type");
  const size_t ref = page / per_ref;
  if (ref >= (size - 1) / 4) {
    if (!on) return;
    ThrowCorrupt(pager_->path(), "usage map cannot reach page " + std::to_string(page));
  }
  uint32_t bitmap = Get32(row + 1 + 4 * ref);
  if (bitmap == 0) {
    if (!on) return;
    std::vector<uint8_t> fresh(page_size(), 0);
    fresh[0] = 0x05;
    fresh[1] = 0x01;
    bitmap = AppendPage(fresh.data());
    buf = CopyPage(map.page);  // AppendPage may have changed this page (the global map)
    Put32(buf.data() + start + 1 + 4 * ref, bitmap);
    pager_->WritePage(map.page, buf.data());
  }
  std::vector<uint8_t> bits = CopyPage(bitmap);
  const uint64_t at = page % per_ref;
  uint8_t& b = bits[4 + at / 8];
  const uint8_t bit = static_cast<uint8_t>(1u << (at % 8));
  b = on ? (b | bit) : (b & ~bit);
  pager_->WritePage(bitmap, bits.data());
}

}  // namespace tolvane::jet
