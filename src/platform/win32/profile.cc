// The profile functions of Windows itself, in their single-byte form. Texts cross into the
// active code page at this boundary, as the A functions expect them.
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <string>
#include <vector>

#include "platform/platform.h"

namespace tolvane::platform {
namespace {

std::wstring Wide(const std::string& s, UINT code_page) {
  if (s.empty()) return {};
  int n = ::MultiByteToWideChar(code_page, 0, s.data(), static_cast<int>(s.size()), nullptr, 0);
  std::wstring out(static_cast<size_t>(n), L'\0');
  ::MultiByteToWideChar(code_page, 0, s.data(), static_cast<int>(s.size()), out.data(), n);
  return out;
}

std::string Narrow(const std::wstring& w, UINT code_page) {
  if (w.empty()) return {};
  // A character the code page cannot hold becomes '?', not a look-alike ("O" for omega):
  // what we hand over is what the caller gets back.
  DWORD flags = code_page == CP_UTF8 ? 0 : WC_NO_BEST_FIT_CHARS;
  int n = ::WideCharToMultiByte(code_page, flags, w.data(), static_cast<int>(w.size()), nullptr, 0,
                                nullptr, nullptr);
  std::string out(static_cast<size_t>(n), '\0');
  ::WideCharToMultiByte(code_page, flags, w.data(), static_cast<int>(w.size()), out.data(), n,
                        nullptr, nullptr);
  return out;
}

std::string ToAnsi(const std::string& utf8) { return Narrow(Wide(utf8, CP_UTF8), CP_ACP); }
std::string FromAnsi(const std::string& ansi) { return Narrow(Wide(ansi, CP_ACP), CP_UTF8); }

class WindowsProfile : public Profile {
 public:
  std::string GetString(const std::string& section, const std::string& key,
                        const std::string& default_value, uint32_t size,
                        const std::string& file) override {
    if (size == 0) return {};
    std::vector<char> buffer(size, '\0');
    // Windows strips the default's trailing blanks itself; Wine keeps one of an all-blank
    // default. Stripping it here gives Windows' answer on both.
    std::string stripped = default_value;
    while (!stripped.empty() && stripped.back() == ' ') stripped.pop_back();
    DWORD n = ::GetPrivateProfileStringA(ToAnsi(section).c_str(), ToAnsi(key).c_str(),
                                         ToAnsi(stripped).c_str(), buffer.data(), size,
                                         ToAnsi(file).c_str());
    if (n >= size) n = size - 1;
    return FromAnsi(std::string(buffer.data(), n));
  }

  int32_t GetInt(const std::string& section, const std::string& key, int32_t default_value,
                 const std::string& file) override {
    UINT n = ::GetPrivateProfileIntA(ToAnsi(section).c_str(), ToAnsi(key).c_str(), default_value,
                                     ToAnsi(file).c_str());
    return static_cast<int32_t>(n);
  }

  bool WriteString(const std::string& section, const std::string& key, const std::string& value,
                   const std::string& file) override {
    return ::WritePrivateProfileStringA(ToAnsi(section).c_str(), ToAnsi(key).c_str(),
                                        ToAnsi(value).c_str(), ToAnsi(file).c_str()) != 0;
  }
};

}  // namespace

std::unique_ptr<Profile> MakeSystemProfile() { return std::make_unique<WindowsProfile>(); }

}  // namespace tolvane::platform
