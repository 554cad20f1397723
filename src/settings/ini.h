// Settings in INI files, one entry per call, nothing cached. Missing files, sections and
// entries are not failures: the readers give the empty text, -1 or False.
#pragma once

#include <cstdint>
#include <string>
#include <variant>

namespace tolvane {

// What SaveIni can be handed. Only numbers, texts and Booleans are written; the rest
// (empty, null, dates, currency) is "Ini Save:  wrong data type".
struct IniNull {};
struct IniDate {
  double serial = 0;
};
struct IniCurrency {
  int64_t ten_thousandths = 0;
};
using IniValue = std::variant<std::monostate, IniNull, int16_t, int32_t, float, double, uint8_t,
                              std::string, bool, IniDate, IniCurrency>;

// Values are cut to 254 characters.
std::string LoadIniString(const std::string& section, const std::string& entry,
                          const std::string& file, bool report_missing);
// -1 for a missing entry; a value outside 16 bits is the failure "Overflow".
int16_t LoadIniInteger(const std::string& section, const std::string& entry,
                       const std::string& file, bool report_missing);
// True only for the word TRUE in any case.
bool LoadIniBoolean(const std::string& section, const std::string& entry,
                    const std::string& file, bool report_missing);
// Non-zero when the platform wrote the entry.
int16_t SaveIni(const IniValue& value, const std::string& section, const std::string& entry,
                const std::string& file);

// Texts as SaveIni writes them; exposed for callers that build values.
inline IniValue IniText(std::string s) { return IniValue(std::in_place_type<std::string>, std::move(s)); }

}  // namespace tolvane
