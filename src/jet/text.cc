#include "jet/text.h"

#include <string_view>

namespace tolvane::jet {

void AppendUtf8(uint32_t c, std::string& out) {
  if (c < 0x80) {
    out.push_back(static_cast<char>(c));
  } else if (c < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (c >> 6)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  } else if (c < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (c >> 12)));
    out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (c >> 18)));
    out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  }
}

void AppendUcs2(const uint8_t* data, size_t size, std::string& out) {
  for (size_t i = 0; i + 1 < size; i += 2) {
    uint32_t c = data[i] | (data[i + 1] << 8);
    if (c >= 0xD800 && c < 0xDC00 && i + 3 < size) {
      const uint32_t low = data[i + 2] | (data[i + 3] << 8);
      if (low >= 0xDC00 && low < 0xE000) {
        c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
        i += 2;
      }
    }
    if (c < 0x80) {
      out.push_back(static_cast<char>(c));
    } else {
      AppendUtf8(c, out);
    }
  }
}

void AppendJet4Text(const uint8_t* data, size_t size, std::string& out) {
  if (size < 2 || data[0] != 0xFF || data[1] != 0xFE) {
    AppendUcs2(data, size, out);
    return;
  }
  bool compressed = true;
  size_t i = 2;
  while (i < size) {
    if (data[i] == 0) {
      compressed = !compressed;
      ++i;
    } else if (compressed) {
      // Runs of ASCII are copied whole; they are nearly all text.
      size_t j = i;
      while (j < size && data[j] != 0 && data[j] < 0x80) ++j;
      if (j > i) {
        out.append(reinterpret_cast<const char*>(data + i), j - i);
        i = j;
      } else {
        AppendUtf8(data[i++], out);
      }
    } else {
      if (i + 1 >= size) break;
      AppendUcs2(data + i, 2, out);
      i += 2;
    }
  }
}

namespace {

// 0x80..0x9F of code page 1252; the rest of the upper half is Latin-1.
constexpr uint16_t kCp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

uint32_t FoldCase(uint32_t c) {
  if (c >= 'A' && c <= 'Z') return c + 32;
  if ((c >= 0xC0 && c <= 0xDE && c != 0xD7)) return c + 32;
  return c;
}

// Next code point of UTF-8 text; invalid bytes stand for themselves.
uint32_t NextCodePoint(std::string_view s, size_t& i) {
  const uint8_t b = static_cast<uint8_t>(s[i]);
  int extra = b < 0x80 ? 0 : (b >> 5) == 6 ? 1 : (b >> 4) == 14 ? 2 : (b >> 3) == 30 ? 3 : -1;
  if (extra <= 0 || i + extra >= s.size()) {
    ++i;
    return b;
  }
  uint32_t c = b & (0x3F >> extra);
  for (int k = 1; k <= extra; ++k) c = (c << 6) | (static_cast<uint8_t>(s[i + k]) & 0x3F);
  i += extra + 1;
  return c;
}

}  // namespace

void AppendCodePageText(const uint8_t* data, size_t size, uint16_t, std::string& out) {
  for (size_t i = 0; i < size; ++i) {
    const uint8_t c = data[i];
    if (c < 0x80) {
      out.push_back(static_cast<char>(c));
    } else {
      AppendUtf8(c < 0xA0 ? kCp1252High[c - 0x80] : c, out);
    }
  }
}

int CompareTextNoCase(std::string_view a, std::string_view b) {
  size_t i = 0, j = 0;
  while (i < a.size() && j < b.size()) {
    const uint32_t ca = FoldCase(NextCodePoint(a, i));
    const uint32_t cb = FoldCase(NextCodePoint(b, j));
    if (ca != cb) return ca < cb ? -1 : 1;
  }
  if (i < a.size()) return 1;
  if (j < b.size()) return -1;
  return 0;
}

bool EqualsNoCase(std::string_view a, std::string_view b) { return CompareTextNoCase(a, b) == 0; }

}  // namespace tolvane::jet
