#include "settings/ini.h"

#include <charconv>
#include <cmath>
#include <optional>
#include <type_traits>

#include "errors/failure.h"
#include "errors/logs.h"
#include "errors/trap.h"
#include "platform/platform.h"
#include "platform/text.h"

namespace tolvane {
namespace {

// The platform strips the default's trailing blanks, so 255 of them make a missing entry
// read as the empty text: the count 0 is what tells "missing or empty".
constexpr uint32_t kBufferSize = 255;

std::string NotFoundMessage(const std::string& section, const std::string& entry,
                            const std::string& file) {
  return "File '" + file + "' or Section [" + section + "] or Entry '" + entry + "' not found";
}

std::string ReadEntry(Trap& trap, const std::string& section, const std::string& entry,
                      const std::string& file) {
  std::string value;
  trap.Step([&] {
    value = platform::Current().profile->GetString(section, entry, std::string(kBufferSize, ' '),
                                                   kBufferSize, file);
  });
  return value;
}

void ReportMissing(Trap& trap, const std::string& section, const std::string& entry,
                   const std::string& file) {
  trap.Step([&] { ShowMessageOrLog(NotFoundMessage(section, entry, file)); });
}

// Floating-point numbers as the original runtime turns them into text: rounded to 7
// (single) or 15 (double) significant digits, trailing zeros dropped, and written with an
// exponent ("1E+20", "1.5E-05") when the decimal exponent is below -4 or reaches the digit
// count.
template <class T>
std::string FloatText(T value) {
  constexpr int kDigits = std::is_same_v<T, float> ? 7 : 15;
  if (std::isnan(value)) return "-1.#IND";
  if (std::isinf(value)) return value < 0 ? "-1.#INF" : "1.#INF";
  if (value == 0) return "0";

  char buf[64];
  auto [end, ec] = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::scientific,
                                 kDigits - 1);
  std::string sci(buf, end);  // "-d.dddddde+XX"
  size_t e = sci.find('e');
  int exponent = std::stoi(sci.substr(e + 1));
  std::string digits;
  for (size_t i = 0; i < e; ++i)
    if (sci[i] >= '0' && sci[i] <= '9') digits += sci[i];
  while (digits.size() > 1 && digits.back() == '0') digits.pop_back();
  std::string out = value < 0 ? "-" : "";

  if (exponent < -4 || exponent >= kDigits) {
    out += digits.substr(0, 1);
    if (digits.size() > 1) out += "." + digits.substr(1);
    std::string power = std::to_string(exponent < 0 ? -exponent : exponent);
    if (power.size() < 2) power = "0" + power;
    return out + (exponent < 0 ? "E-" : "E+") + power;
  }
  if (exponent < 0) return out + "0." + std::string(static_cast<size_t>(-exponent - 1), '0') + digits;
  size_t whole = static_cast<size_t>(exponent) + 1;
  if (digits.size() <= whole) return out + digits + std::string(whole - digits.size(), '0');
  return out + digits.substr(0, whole) + "." + digits.substr(whole);
}

// The text SaveIni writes, or nothing for a type it does not write.
std::optional<std::string> TextOf(const IniValue& value) {
  return std::visit(
      [](const auto& v) -> std::optional<std::string> {
        using T = std::decay_t<decltype(v)>;
        if constexpr (std::is_same_v<T, std::string>) return v;
        else if constexpr (std::is_same_v<T, bool>) return v ? "true" : "false";
        else if constexpr (std::is_same_v<T, float> || std::is_same_v<T, double>)
          return FloatText(v);
        else if constexpr (std::is_same_v<T, int16_t> || std::is_same_v<T, int32_t> ||
                           std::is_same_v<T, uint8_t>)
          return text::Decimal(v);
        else
          return std::nullopt;
      },
      value);
}

}  // namespace

std::string LoadIniString(const std::string& section, const std::string& entry,
                          const std::string& file, bool report_missing) {
  Trap trap("LoadIniString");
  std::string value = ReadEntry(trap, section, entry, file);
  if (value.empty() && report_missing) ReportMissing(trap, section, entry, file);
  return text::Left(value, kBufferSize - 1);
}

int16_t LoadIniInteger(const std::string& section, const std::string& entry,
                       const std::string& file, bool report_missing) {
  Trap trap("LoadIniInteger");
  int16_t result = 0;
  trap.Step([&] { result = ToInt16(platform::Current().profile->GetInt(section, entry, -1, file)); });
  // A value that reads as -1 cannot be told from a missing one.
  if (result == -1 && report_missing) ReportMissing(trap, section, entry, file);
  return result;
}

bool LoadIniBoolean(const std::string& section, const std::string& entry,
                    const std::string& file, bool report_missing) {
  Trap trap("LoadIniBoolean");
  std::string word = text::Upper(text::Left(ReadEntry(trap, section, entry, file), kBufferSize - 1));
  if (report_missing && word != "TRUE" && word != "FALSE") ReportMissing(trap, section, entry, file);
  return word == "TRUE";
}

int16_t SaveIni(const IniValue& value, const std::string& section, const std::string& entry,
                const std::string& file) {
  Trap trap("SaveIni");
  std::optional<std::string> written = TextOf(value);
  if (!written) {
    trap.Step([&] { ShowMessageOrLog("Ini Save:  wrong data type"); });
    return 0;
  }
  int16_t result = 0;
  trap.Step([&] {
    result = platform::Current().profile->WriteString(section, entry, *written, file) ? 1 : 0;
  });
  return result;
}

}  // namespace tolvane
