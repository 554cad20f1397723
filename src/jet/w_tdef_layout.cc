#include "jet/w_tdef_layout.h"

#include <cstring>

#include "jet/error.h"

namespace tolvane::jet {
namespace {

uint16_t Get16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
uint32_t Get32(const uint8_t* p) { uint32_t v; std::memcpy(&v, p, 4); return v; }
void Put16(uint8_t* p, uint16_t v) { p[0] = static_cast<uint8_t>(v); p[1] = static_cast<uint8_t>(v >> 8); }
void Put32(uint8_t* p, uint32_t v) { std::memcpy(p, &v, 4); }

}  // namespace

TdefLayout TdefLayout::Read(WriteSession& s, uint32_t tdef_page) {
  TdefLayout t;
  uint32_t p = tdef_page;
  while (p != 0) {
    if (t.pages.size() > 64) ThrowCorrupt(s.pager().path(), "table definition chain loops");
    std::vector<uint8_t> page = s.CopyPage(p);
    if (page[0] != 0x02) ThrowCorrupt(s.pager().path(), "not a table definition page");
    t.pages.push_back(p);
    t.bytes.insert(t.bytes.end(), page.begin() + (t.pages.size() == 1 ? 0 : 8), page.end());
    p = Get32(page.data() + 4);
  }
  const auto& b = t.bytes;
  auto need = [&](size_t end) {
    if (end > b.size()) ThrowCorrupt(s.pager().path(), "table definition shorter than its sections");
  };
  need(63);
  const uint32_t len = Get32(b.data() + 8);
  need(len);
  t.bytes.resize(len);
  const uint16_t num_cols = Get16(b.data() + 45);
  const uint32_t logical = Get32(b.data() + 47), physical = Get32(b.data() + 51);
  size_t at = 63 + 12 * physical;
  t.columns = at;
  at += 25 * num_cols;
  t.names = at;
  for (uint16_t i = 0; i < num_cols; ++i) {
    need(at + 2);
    t.name_offsets.push_back(at);
    at += 2 + Get16(b.data() + at);
  }
  at += 52 * physical + 28 * logical;
  for (uint32_t i = 0; i < logical; ++i) {
    need(at + 2);
    at += 2 + Get16(b.data() + at);
  }
  t.lv_maps = at;
  while (at + 2 <= len && Get16(b.data() + at) != 0xFFFF) {
    need(at + 10);
    t.long_value_maps.push_back({Get16(b.data() + at), RowPointer::FromU32(Get32(b.data() + at + 2)),
                                 RowPointer::FromU32(Get32(b.data() + at + 6))});
    at += 10;
  }
  return t;
}

void TdefLayout::Write(WriteSession& s) {
  const uint32_t ps = s.page_size();
  Put32(bytes.data() + 8, static_cast<uint32_t>(bytes.size()));
  // First page holds bytes [0, ps); each continuation ps - 8 more after its own header.
  size_t needed = 1;
  if (bytes.size() > ps) needed += (bytes.size() - ps + (ps - 8) - 1) / (ps - 8);
  while (pages.size() < needed) {
    std::vector<uint8_t> blank(ps, 0);
    blank[0] = 0x02;
    blank[1] = 0x01;
    pages.push_back(s.AppendPage(blank.data()));
  }
  while (pages.size() > needed) {
    s.FreePage(pages.back());
    pages.pop_back();
  }
  size_t from = 0;
  for (size_t i = 0; i < pages.size(); ++i) {
    std::vector<uint8_t> page(ps, 0);
    size_t head = i == 0 ? 0 : 8;
    size_t n = std::min<size_t>(ps - head, bytes.size() - from);
    std::memcpy(page.data() + head, bytes.data() + from, n);
    from += n;
    page[0] = 0x02;
    page[1] = 0x01;
    // Access records the room left on the definition's last page.
    Put16(page.data() + 2, i + 1 == pages.size() ? static_cast<uint16_t>(ps - head - n - (i == 0 ? 8 : 0)) : 0);
    Put32(page.data() + 4, i + 1 < pages.size() ? pages[i + 1] : 0);
    s.WritePage(pages[i], page.data());
  }
}

}  // namespace tolvane::jet
