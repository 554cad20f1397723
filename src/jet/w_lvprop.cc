#include "jet/w_lvprop.h"

#include <cstdint>
#include <cstring>

#include "jet/write_row.h"

namespace tolvane::jet {
namespace {

uint32_t Get32(const std::string& s, size_t at) {
  uint32_t v;
  std::memcpy(&v, s.data() + at, 4);
  return v;
}
uint16_t Get16(const std::string& s, size_t at) {
  return static_cast<uint16_t>(static_cast<uint8_t>(s[at]) | (static_cast<uint8_t>(s[at + 1]) << 8));
}
void Set32(std::string& s, size_t at, uint32_t v) { std::memcpy(s.data() + at, &v, 4); }
void Set16(std::string& s, size_t at, uint16_t v) {
  s[at] = static_cast<char>(v);
  s[at + 1] = static_cast<char>(v >> 8);
}

std::string FoldUcs2(std::string u) {
  for (size_t i = 0; i + 1 < u.size(); i += 2) {
    if (u[i + 1] == 0 && u[i] >= 'a' && u[i] <= 'z') u[i] = static_cast<char>(u[i] - 32);
  }
  return u;
}

}  // namespace

bool RenameInPropertyBlob(std::string& blob, const std::string& old_name,
                          const std::string& new_name) {
  if (blob.size() < 4 || blob.compare(0, 4, std::string("MR2\0", 4)) != 0) return false;
  const std::string want = FoldUcs2(ToUcs2(old_name));
  const std::string replacement = ToUcs2(new_name);
  bool changed = false;
  size_t pos = 4;
  while (pos + 6 <= blob.size()) {
    const uint32_t len = Get32(blob, pos);
    const uint16_t type = Get16(blob, pos + 4);
    if (len < 6 || pos + len > blob.size()) return false;
    if (type != 0x80 && len >= 12) {
      const uint16_t name_len = Get16(blob, pos + 10);
      if (12 + size_t{name_len} > len) return false;
      if (FoldUcs2(blob.substr(pos + 12, name_len)) == want) {
        blob.replace(pos + 12, name_len, replacement);
        const int64_t delta = static_cast<int64_t>(replacement.size()) - name_len;
        Set32(blob, pos, static_cast<uint32_t>(len + delta));
        Set32(blob, pos + 6, static_cast<uint32_t>(Get32(blob, pos + 6) + delta));
        Set16(blob, pos + 10, static_cast<uint16_t>(replacement.size()));
        changed = true;
        pos += static_cast<size_t>(len + delta);
        continue;
      }
    }
    pos += len;
  }
  return changed;
}

}  // namespace tolvane::jet
