#include "jet/header.h"

#include <cstring>

#include "jet/error.h"

namespace tolvane::jet {

void Rc4(const uint8_t* key, size_t key_size, uint8_t* data, size_t size) {
  uint8_t s[256];
  for (int i = 0; i < 256; ++i) s[i] = static_cast<uint8_t>(i);
  for (int i = 0, j = 0; i < 256; ++i) {
    j = (j + s[i] + key[i % key_size]) & 0xFF;
    std::swap(s[i], s[j]);
  }
  for (size_t n = 0, i = 0, j = 0; n < size; ++n) {
    i = (i + 1) & 0xFF;
    j = (j + s[i]) & 0xFF;
    std::swap(s[i], s[j]);
    data[n] ^= s[(s[i] + s[j]) & 0xFF];
  }
}

Header Header::Read(const Pager& pager) {
  const Page page0 = pager.page(0);
  Header h;
  h.jet_version = pager.jet_version();
  const bool jet3 = h.jet_version == 3;
  constexpr size_t kStart = 0x18;
  const size_t length = jet3 ? 126 : 128;
  uint8_t buf[0x18 + 128];
  std::memcpy(buf, page0.Bytes(0, kStart + length), kStart + length);
  static constexpr uint8_t kKey[4] = {0xC7, 0xDA, 0x39, 0x6B};
  Rc4(kKey, 4, buf + kStart, length);
  auto u16 = [&](size_t off) { return static_cast<uint16_t>(buf[off] | (buf[off + 1] << 8)); };
  auto u32 = [&](size_t off) { uint32_t v; std::memcpy(&v, buf + off, 4); return v; };
  h.code_page = u16(0x3C);
  h.sort_order = jet3 ? u16(0x3A) : u32(0x6E);
  h.database_key = u32(0x3E);
  if (!jet3) std::memcpy(&h.creation_date, buf + 0x72, 8);
  // Jet 4 masks the password with the creation date's whole part so that equal passwords
  // look different in different files.
  uint8_t mask[4] = {0, 0, 0, 0};
  if (!jet3) {
    const int32_t whole = static_cast<int32_t>(h.creation_date);
    std::memcpy(mask, &whole, 4);
  }
  const size_t password_size = jet3 ? 20 : 40;
  for (size_t i = 0; i < password_size; ++i) {
    if ((buf[0x42 + i] ^ mask[i % 4]) != 0) h.has_password = true;
  }
  if (h.has_password) {
    throw Error(errc::kNotValidPassword, "Not a valid password.", "DAO.Workspace");
  }
  if (h.database_key != 0) {
    ThrowUnrecognizedFormat(pager.path(), "the database is encoded; this engine reads only "
                                          "databases that are not encoded");
  }
  return h;
}

}  // namespace tolvane::jet
