// Text as the program handles it: UTF-8 in memory, counted in characters (code points);
// single-byte code page at the file boundary.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tolvane::text {

std::u32string Decode(std::string_view utf8);  // invalid bytes become U+FFFD
std::string Encode(std::u32string_view chars);

// Number of characters.
size_t Length(std::string_view utf8);
// The first n characters, the last n characters, n characters from the 0-based start.
std::string Left(std::string_view utf8, size_t n);
std::string Right(std::string_view utf8, size_t n);
std::string Mid(std::string_view utf8, size_t start, size_t n = std::string::npos);
// 1-based character position of the first occurrence of what in s, 0 when none.
size_t Find(std::string_view s, std::string_view what);

// The Unicode simple upper-case mapping, one character to one (so ß stays ß).
char32_t UpperChar(char32_t c);
std::string Upper(std::string_view utf8);

// Removes leading and trailing spaces (blanks only).
std::string TrimBlanks(std::string_view s);

// Windows-1252 at the file boundary: a character it cannot hold becomes '?'.
std::string ToCp1252(std::string_view utf8);
std::string FromCp1252(std::string_view bytes);
// The code of one character in Windows-1252, or '?' (63) when it has none.
uint8_t Cp1252Code(char32_t c);

// Decimal text of a whole number: a minus sign, no grouping, no leading zeros.
std::string Decimal(long long value);

}  // namespace tolvane::text
