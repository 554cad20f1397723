// Text as stored in pages, to UTF-8: Jet 4's UCS-2 (plain or in its compressed form, which
// starts FF FE and switches between one-byte and two-byte runs at each 00 byte) and Jet 3's
// code-page bytes.
#pragma once

#include <cstdint>
#include <string>

namespace tolvane::jet {

// Appends the decoded text to `out`.
void AppendUcs2(const uint8_t* data, size_t size, std::string& out);
void AppendJet4Text(const uint8_t* data, size_t size, std::string& out);  // either form
// Code page 1252 (the default); other single-byte code pages are read as 1252 too.
void AppendCodePageText(const uint8_t* data, size_t size, uint16_t code_page, std::string& out);

void AppendUtf8(uint32_t code_point, std::string& out);

// Access compares and sorts names and text without regard to case.
int CompareTextNoCase(std::string_view a, std::string_view b);
bool EqualsNoCase(std::string_view a, std::string_view b);

}  // namespace tolvane::jet
