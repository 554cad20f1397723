// Windows side of the platform: the process, files, message boxes and the hidden window
// that receives close requests.
#define WIN32_LEAN_AND_MEAN
#define NOMINMAX
#include <windows.h>

#include <string>

#include "errors/failure.h"
#include "platform/platform.h"

namespace tolvane::platform {
namespace {

std::wstring Wide(const std::string& utf8) {
  if (utf8.empty()) return {};
  int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
  std::wstring out(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), out.data(), n);
  return out;
}

std::string Utf8(const std::wstring& wide) {
  if (wide.empty()) return {};
  int n = WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), out.data(), n, nullptr, nullptr);
  return out;
}

Failure FileFailure(DWORD error) {
  switch (error) {
    case ERROR_FILE_NOT_FOUND:
      return Failure(err::kFileNotFound, "Tolvane_Config", "File not found");
    case ERROR_PATH_NOT_FOUND:
      return Failure(err::kPathNotFound, "Tolvane_Config", "Path not found");
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
      return Failure(err::kPermissionDenied, "Tolvane_Config", "Permission denied");
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
      return Failure(61, "Tolvane_Config", "Disk full");
    default:
      return Failure(err::kPathFileAccess, "Tolvane_Config", "Path/File access error");
  }
}

class WinProcess : public Process {
 public:
  WinProcess() {
    std::wstring buf(32768, L'\0');
    DWORD n = GetModuleFileNameW(nullptr, buf.data(), static_cast<DWORD>(buf.size()));
    std::string exe = Utf8(buf.substr(0, n));
    size_t slash = exe.find_last_of('\\');
    folder_ = slash == std::string::npos ? std::string(".") : exe.substr(0, slash);
    if (folder_.size() == 2 && folder_[1] == ':') folder_ += '\\';  // a drive root keeps its backslash
    name_ = slash == std::string::npos ? exe : exe.substr(slash + 1);
    size_t dot = name_.rfind('.');
    if (dot != std::string::npos && dot > 0) name_ = name_.substr(0, dot);

    // The command line less the program's own name, as the original runtime gave it.
    std::wstring line = GetCommandLineW();
    size_t i = 0;
    if (!line.empty() && line[0] == L'"') {
      size_t close = line.find(L'"', 1);
      i = close == std::wstring::npos ? line.size() : close + 1;
    } else {
      while (i < line.size() && line[i] != L' ' && line[i] != L'\t') ++i;
    }
    while (i < line.size() && (line[i] == L' ' || line[i] == L'\t')) ++i;
    command_line_ = Utf8(line.substr(i));

    if (LPWCH env = GetEnvironmentStringsW()) {
      first_env_ = Utf8(std::wstring(env));
      FreeEnvironmentStringsW(env);
    }
  }
  std::string ProgramFolder() override { return folder_; }
  std::string ExecutableName() override { return name_; }
  std::string CommandLine() override { return command_line_; }
  std::string FirstEnvironmentEntry() override { return first_env_; }
  char Separator() override { return '\\'; }

 private:
  std::string folder_, name_, command_line_, first_env_;
};

class WinFiles : public Files {
 public:
  bool Exists(const std::string& path) override {
    if (path.empty()) return false;
    DWORD a = GetFileAttributesW(Wide(path).c_str());
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY) == 0;
  }

  void CopyOver(const std::string& source, const std::string& destination) override {
    // Beside the destination first, then moved into place: a failed copy leaves the old
    // file whole.
    std::wstring dst = Wide(destination), tmp = Wide(destination + ".tmp-copy");
    DWORD a = GetFileAttributesW(dst.c_str());
    if (a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_READONLY)) throw FileFailure(ERROR_ACCESS_DENIED);
    if (!CopyFileW(Wide(source).c_str(), tmp.c_str(), FALSE)) throw FileFailure(GetLastError());
    SetFileAttributesW(tmp.c_str(), FILE_ATTRIBUTE_NORMAL);
    if (!MoveFileExW(tmp.c_str(), dst.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
      DWORD e = GetLastError();
      DeleteFileW(tmp.c_str());
      throw FileFailure(e);
    }
  }

  void Append(const std::string& path, const std::string& bytes) override {
    HANDLE h = CreateFileW(Wide(path).c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) throw FileFailure(GetLastError());
    DWORD written = 0;
    BOOL ok = WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    DWORD e = GetLastError();
    CloseHandle(h);
    if (!ok || written != bytes.size()) throw FileFailure(e);
  }

  std::optional<std::string> ReadAll(const std::string& path) override {
    HANDLE h = CreateFileW(Wide(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return std::nullopt;
    std::string out;
    char buf[65536];
    DWORD n = 0;
    while (ReadFile(h, buf, sizeof buf, &n, nullptr) && n > 0) out.append(buf, n);
    CloseHandle(h);
    return out;
  }

  bool WriteAll(const std::string& path, const std::string& bytes) override {
    HANDLE h = CreateFileW(Wide(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                           nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    BOOL ok = WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(h);
    return ok && written == bytes.size();
  }

  std::optional<FileTimes> GetTimes(const std::string& path) override {
    HANDLE h = CreateFileW(Wide(path).c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return std::nullopt;
    FILETIME c{}, a{}, w{};
    GetFileTime(h, &c, &a, &w);
    CloseHandle(h);
    auto v = [](const FILETIME& t) {
      return static_cast<int64_t>((static_cast<uint64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime);
    };
    return FileTimes{v(c), v(a), v(w)};
  }

  bool SetTimes(const std::string& path, const FileTimes& times) override {
    HANDLE h = CreateFileW(Wide(path).c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    auto ft = [](int64_t v) {
      FILETIME t;
      t.dwLowDateTime = static_cast<DWORD>(static_cast<uint64_t>(v) & 0xFFFFFFFFu);
      t.dwHighDateTime = static_cast<DWORD>(static_cast<uint64_t>(v) >> 32);
      return t;
    };
    FILETIME c = ft(times.creation), w = ft(times.last_write);
    BOOL ok = SetFileTime(h, &c, nullptr, &w);
    CloseHandle(h);
    return ok != 0;
  }
};

class WinDialogs : public Dialogs {
 public:
  Answer Show(const MessageBox& box) override {
    UINT type = box.buttons == Buttons::kOk ? MB_OK : MB_YESNO;
    switch (box.icon) {
      case Icon::kCritical: type |= MB_ICONSTOP; break;
      case Icon::kExclamation: type |= MB_ICONEXCLAMATION; break;
      case Icon::kInformation: type |= MB_ICONINFORMATION; break;
      case Icon::kNone: break;
    }
    if (box.default_button == 1) type |= MB_DEFBUTTON2;
    int r = MessageBoxW(nullptr, Wide(box.text).c_str(), Wide(box.title).c_str(), type | MB_TASKMODAL);
    return r == IDYES ? Answer::kYes : r == IDNO ? Answer::kNo : Answer::kOk;
  }
};

bool close_requested = false;

LRESULT CALLBACK HiddenWindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_CLOSE:
      close_requested = true;
      return 0;  // the window decides at the next event pass
    case WM_QUERYENDSESSION:
      close_requested = true;
      return FALSE;
    default:
      return DefWindowProcW(hwnd, msg, wp, lp);
  }
}

class WindowEvents : public Events {
 public:
  WindowEvents() {
    WNDCLASSW wc{};
    wc.lpfnWndProc = HiddenWindowProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"frm_Tolvane_Config_Exe";
    RegisterClassW(&wc);
    hwnd_ = CreateWindowExW(0, wc.lpszClassName, L"Base ZRBCFG-Erweiterung", WS_OVERLAPPEDWINDOW, 0, 0, 0, 0,
                            nullptr, nullptr, wc.hInstance, nullptr);
  }
  ~WindowEvents() override {
    if (hwnd_) DestroyWindow(hwnd_);
  }
  bool TakeCloseRequest() override {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
    bool r = close_requested;
    close_requested = false;
    return r;
  }

 private:
  HWND hwnd_ = nullptr;
};

}  // namespace

std::string ServicePackLogPath() { return "C:\\WexelServicePack.log"; }

std::unique_ptr<Process> MakeSystemProcess(int, char**) { return std::make_unique<WinProcess>(); }
std::unique_ptr<Files> MakeSystemFiles() { return std::make_unique<WinFiles>(); }
std::unique_ptr<Dialogs> MakeSystemDialogs() { return std::make_unique<WinDialogs>(); }
std::unique_ptr<Events> MakeSystemEvents() { return std::make_unique<WindowEvents>(); }

}  // namespace tolvane::platform
