#include "platform/text.h"

#include <algorithm>
#include <iterator>

namespace tolvane::text {
namespace {

struct CasePair {
  uint16_t lower;
  uint16_t upper;
};

constexpr CasePair kUpper[] = {
#include "platform/upper_table.inc"
};

// Windows-1252 0x80..0x9F; 0 marks the five undefined codes.
constexpr char16_t kCp1252High[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
    0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

void AppendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

// Byte offset of the n-th character (or the end).
size_t OffsetOf(std::string_view s, size_t n) {
  size_t i = 0;
  while (i < s.size() && n > 0) {
    ++i;
    while (i < s.size() && (static_cast<unsigned char>(s[i]) & 0xC0) == 0x80) ++i;
    --n;
  }
  return i;
}

}  // namespace

std::u32string Decode(std::string_view s) {
  std::u32string out;
  out.reserve(s.size());
  size_t i = 0;
  while (i < s.size()) {
    unsigned char b = static_cast<unsigned char>(s[i]);
    int extra;
    char32_t c;
    if (b < 0x80) {
      out += b;
      ++i;
      continue;
    } else if ((b >> 5) == 6) {
      extra = 1, c = b & 0x1F;
    } else if ((b >> 4) == 14) {
      extra = 2, c = b & 0x0F;
    } else if ((b >> 3) == 30) {
      extra = 3, c = b & 0x07;
    } else {
      out += U'\uFFFD';
      ++i;
      continue;
    }
    int k = 1;
    for (; k <= extra && i + k < s.size(); ++k) {
      unsigned char cb = static_cast<unsigned char>(s[i + k]);
      if ((cb & 0xC0) != 0x80) break;
      c = (c << 6) | (cb & 0x3F);
    }
    if (k <= extra) {
      out += U'\uFFFD';
      ++i;
      continue;
    }
    out += c;
    i += extra + 1;
  }
  return out;
}

std::string Encode(std::u32string_view chars) {
  std::string out;
  out.reserve(chars.size());
  for (char32_t c : chars) AppendUtf8(out, c);
  return out;
}

size_t Length(std::string_view s) {
  size_t n = 0;
  for (char ch : s)
    if ((static_cast<unsigned char>(ch) & 0xC0) != 0x80) ++n;
  return n;
}

std::string Left(std::string_view s, size_t n) { return std::string(s.substr(0, OffsetOf(s, n))); }

std::string Right(std::string_view s, size_t n) {
  size_t len = Length(s);
  if (n >= len) return std::string(s);
  return std::string(s.substr(OffsetOf(s, len - n)));
}

std::string Mid(std::string_view s, size_t start, size_t n) {
  size_t from = OffsetOf(s, start);
  std::string_view rest = s.substr(from);
  if (n == std::string::npos) return std::string(rest);
  return std::string(rest.substr(0, OffsetOf(rest, n)));
}

size_t Find(std::string_view s, std::string_view what) {
  size_t at = s.find(what);
  if (at == std::string_view::npos) return 0;
  return Length(s.substr(0, at)) + 1;
}

char32_t UpperChar(char32_t c) {
  if (c < 0x80) return (c >= 'a' && c <= 'z') ? c - 32 : c;
  if (c > 0xFFFF) return c;
  auto it = std::lower_bound(std::begin(kUpper), std::end(kUpper), c,
                             [](const CasePair& p, char32_t v) { return p.lower < v; });
  if (it != std::end(kUpper) && it->lower == c) return it->upper;
  return c;
}

std::string Upper(std::string_view s) {
  bool ascii = std::all_of(s.begin(), s.end(), [](char c) { return (c & 0x80) == 0; });
  if (ascii) {
    std::string out(s);
    for (char& c : out)
      if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
    return out;
  }
  std::u32string chars = Decode(s);
  for (char32_t& c : chars) c = UpperChar(c);
  return Encode(chars);
}

std::string TrimBlanks(std::string_view s) {
  size_t b = s.find_first_not_of(' ');
  if (b == std::string_view::npos) return {};
  size_t e = s.find_last_not_of(' ');
  return std::string(s.substr(b, e - b + 1));
}

uint8_t Cp1252Code(char32_t c) {
  if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) return static_cast<uint8_t>(c);
  for (int i = 0; i < 32; ++i)
    if (kCp1252High[i] != 0 && kCp1252High[i] == c) return static_cast<uint8_t>(0x80 + i);
  // The five codes without a character round-trip as themselves.
  if (c >= 0x80 && c <= 0x9F && kCp1252High[c - 0x80] == 0) return static_cast<uint8_t>(c);
  return '?';
}

std::string ToCp1252(std::string_view utf8) {
  std::string out;
  out.reserve(utf8.size());
  for (char32_t c : Decode(utf8)) out += static_cast<char>(Cp1252Code(c));
  return out;
}

std::string FromCp1252(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size());
  for (char ch : bytes) {
    unsigned char b = static_cast<unsigned char>(ch);
    char32_t c = b;
    if (b >= 0x80 && b <= 0x9F && kCp1252High[b - 0x80] != 0) c = kCp1252High[b - 0x80];
    AppendUtf8(out, c);
  }
  return out;
}

std::string Decimal(long long value) { return std::to_string(value); }

}  // namespace tolvane::text
