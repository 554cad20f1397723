#include "jet/properties.h"

#include <cstring>

#include "jet/text.h"

namespace tolvane::jet {

namespace {

class Reader {
 public:
  Reader(std::string_view b, int jet) : b_(b), jet_(jet) {}
  bool Has(size_t at, size_t n) const { return at <= b_.size() && n <= b_.size() - at; }
  uint16_t U16(size_t at) const {
    return static_cast<uint16_t>(static_cast<uint8_t>(b_[at]) | (static_cast<uint8_t>(b_[at + 1]) << 8));
  }
  uint32_t U32(size_t at) const { uint32_t v; std::memcpy(&v, b_.data() + at, 4); return v; }
  std::string Text(size_t at, size_t n) const {
    std::string out;
    const auto* p = reinterpret_cast<const uint8_t*>(b_.data() + at);
    if (jet_ == 3) AppendCodePageText(p, n, 1252, out); else AppendJet4Text(p, n, out);
    return out;
  }
  std::string_view Bytes(size_t at, size_t n) const { return b_.substr(at, n); }

 private:
  std::string_view b_;
  int jet_;
};

}  // namespace

const Property* PropertyBlock::Find(std::string_view wanted) const {
  for (const auto& p : properties) {
    if (EqualsNoCase(p.name, wanted)) return &p;
  }
  return nullptr;
}

std::vector<PropertyBlock> ParseProperties(std::string_view blob, int jet) {
  std::vector<PropertyBlock> blocks;
  if (blob.size() < 4 || (blob.substr(0, 4) != std::string_view("MR2\0", 4) &&
                          blob.substr(0, 4) != std::string_view("KKD\0", 4))) {
    return blocks;
  }
  const Reader r(blob, jet);
  std::vector<std::string> names;
  size_t pos = 4;
  while (r.Has(pos, 6)) {
    const uint32_t length = r.U32(pos);
    const uint16_t type = r.U16(pos + 4);
    if (length < 6 || !r.Has(pos, length)) return {};
    const size_t end = pos + length;
    size_t at = pos + 6;
    if (type == 0x80) {
      while (at + 2 <= end) {
        const uint16_t n = r.U16(at);
        if (at + 2 + n > end) return {};
        names.push_back(r.Text(at + 2, n));
        at += 2 + n;
      }
    } else if (type == 0x00 || type == 0x01) {
      // A block: u32 its length, u16 name length, the name, then the entries.
      if (at + 6 > end) return {};
      const uint16_t name_length = r.U16(at + 4);
      if (at + 6 + name_length > end) return {};
      PropertyBlock block;
      block.name = r.Text(at + 6, name_length);
      at += 6 + name_length;
      while (at + 8 <= end) {
        const uint16_t entry = r.U16(at);
        const uint16_t index = r.U16(at + 4);
        const uint16_t size = r.U16(at + 6);
        if (entry < 8 || at + entry > end || 8u + size > entry || index >= names.size()) return {};
        block.properties.push_back({names[index], static_cast<uint8_t>(blob[at + 3]),
                                    std::string(r.Bytes(at + 8, size))});
        at += entry;
      }
      blocks.push_back(std::move(block));
    }
    pos = end;
  }
  return blocks;
}

}  // namespace tolvane::jet
