// POSIX side of the platform: the process, files, terminal message boxes and close
// requests from signals.
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <string>

#include "errors/failure.h"
#include "platform/platform.h"
#include "platform/posix/file_io.h"
#include "platform/text.h"

extern char** environ;

namespace tolvane::platform {
namespace {

class PosixProcess : public Process {
 public:
  PosixProcess(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
      if (i > 1) command_line_ += ' ';
      command_line_ += argv[i];
    }
    char buf[PATH_MAX + 1];
    ssize_t n = readlink("/proc/self/exe", buf, PATH_MAX);
    std::string exe = n > 0 ? std::string(buf, static_cast<size_t>(n)) : std::string(argv[0]);
    size_t slash = exe.rfind('/');
    folder_ = slash == std::string::npos ? "." : exe.substr(0, slash);
    if (folder_.empty()) folder_ = "/";
    name_ = slash == std::string::npos ? exe : exe.substr(slash + 1);
    size_t dot = name_.rfind('.');
    if (dot != std::string::npos && dot > 0) name_ = name_.substr(0, dot);
  }
  std::string ProgramFolder() override { return folder_; }
  std::string ExecutableName() override { return name_; }
  std::string CommandLine() override { return command_line_; }
  std::string FirstEnvironmentEntry() override {
    return environ != nullptr && environ[0] != nullptr ? std::string(environ[0]) : std::string();
  }
  char Separator() override { return '/'; }

 private:
  std::string command_line_, folder_, name_;
};

Failure FileFailure(int error_number) {
  switch (error_number) {
    case ENOENT:
    case ENOTDIR:
      return Failure(err::kPathNotFound, "Tolvane_Config", "Path not found");
    case EACCES:
    case EPERM:
    case EROFS:
      return Failure(err::kPermissionDenied, "Tolvane_Config", "Permission denied");
    case ENOSPC:
      return Failure(61, "Tolvane_Config", "Disk full");
    default:
      return Failure(err::kPathFileAccess, "Tolvane_Config", "Path/File access error");
  }
}


class PosixFiles : public Files {
 public:
  bool Exists(const std::string& path) override {
    struct stat st;
    return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
  }

  void CopyOver(const std::string& source, const std::string& destination) override {
    auto bytes = ReadAll(source);
    if (!bytes) throw Failure(err::kFileNotFound, "Tolvane_Config", "File not found");
    // Like the read-only attribute on Windows, which stops administrators too: a
    // destination without any write permission is not replaced.
    struct stat st;
    if (::stat(destination.c_str(), &st) == 0 && (st.st_mode & 0222) == 0) throw FileFailure(EACCES);
    // A half-written destination must never replace a whole one: write beside it, then
    // rename into place.
    std::string temp = destination + ".tmp-copy";
    int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0666);
    if (fd < 0) throw FileFailure(errno);
    bool ok = posix::WriteFully(fd, bytes->data(), bytes->size()) && ::fsync(fd) == 0;
    int saved = errno;
    ::close(fd);
    if (!ok || ::rename(temp.c_str(), destination.c_str()) != 0) {
      if (ok) saved = errno;
      ::unlink(temp.c_str());
      throw FileFailure(saved);
    }
  }

  void Append(const std::string& path, const std::string& bytes) override {
    int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0666);
    if (fd < 0) throw FileFailure(errno);
    bool ok = posix::WriteFully(fd, bytes.data(), bytes.size());
    int saved = errno;
    ::close(fd);
    if (!ok) throw FileFailure(saved);
  }

  std::optional<std::string> ReadAll(const std::string& path) override { return posix::ReadWholeFile(path); }

  bool WriteAll(const std::string& path, const std::string& bytes) override {
    int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0666);
    if (fd < 0) return false;
    bool ok = posix::WriteFully(fd, bytes.data(), bytes.size());
    ::close(fd);
    return ok;
  }

  std::optional<FileTimes> GetTimes(const std::string& path) override {
    // Like opening for writing on Windows: a read-only or missing file gives no times.
    if (::access(path.c_str(), W_OK) != 0) return std::nullopt;
    struct stat st;
    if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return std::nullopt;
    FileTimes t;
    t.last_access = st.st_atim.tv_sec * 1000000000LL + st.st_atim.tv_nsec;
    t.last_write = st.st_mtim.tv_sec * 1000000000LL + st.st_mtim.tv_nsec;
    t.creation = t.last_write;  // no birth time that could be put back
    return t;
  }

  bool SetTimes(const std::string& path, const FileTimes& times) override {
    struct timespec ts[2];
    ts[0].tv_sec = 0;
    ts[0].tv_nsec = UTIME_OMIT;
    ts[1].tv_sec = times.last_write / 1000000000LL;
    ts[1].tv_nsec = times.last_write % 1000000000LL;
    return ::utimensat(AT_FDCWD, path.c_str(), ts, 0) == 0;
  }
};

class TerminalDialogs : public Dialogs {
 public:
  Answer Show(const MessageBox& box) override {
    std::string shown = box.text;
    for (char& c : shown)
      if (c == '\r') c = ' ';
    std::string buttons = box.buttons == Buttons::kOk ? "[OK]" : (box.default_button == 0 ? "[Yes] / No" : "Yes / [No]");
    std::cerr << "=== " << box.title << " ===\n" << shown << "\n" << buttons << (box.buttons == Buttons::kYesNo ? " (y/n, Enter for the default)? " : " (Enter)? ");
    std::cerr.flush();
    Answer fallback = box.buttons == Buttons::kOk ? Answer::kOk
                      : box.default_button == 0  ? Answer::kYes
                                                 : Answer::kNo;
    std::string line;
    if (!std::getline(std::cin, line)) {
      std::cerr << "\n(no input: " << (fallback == Answer::kOk ? "OK" : fallback == Answer::kYes ? "Yes" : "No") << ")\n";
      return fallback;
    }
    if (box.buttons == Buttons::kOk) return Answer::kOk;
    std::string word = text::Upper(text::TrimBlanks(line));
    if (word == "Y" || word == "YES" || word == "J" || word == "JA") return Answer::kYes;
    if (word == "N" || word == "NO" || word == "NEIN") return Answer::kNo;
    return fallback;
  }
};

std::atomic<int> pending_close_requests{0};

extern "C" void OnCloseSignal(int) { pending_close_requests.fetch_add(1); }

class SignalEvents : public Events {
 public:
  SignalEvents() {
    struct sigaction sa;
    std::memset(&sa, 0, sizeof sa);
    sa.sa_handler = OnCloseSignal;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESTART;
    sigset_t close_signals;
    sigemptyset(&close_signals);
    for (int sig : {SIGINT, SIGTERM, SIGHUP}) {
      ::sigaction(sig, &sa, nullptr);
      sigaddset(&close_signals, sig);
    }
    // A caller may have started us with them blocked; a request already pending then
    // reaches the first event pass.
    ::sigprocmask(SIG_UNBLOCK, &close_signals, nullptr);
  }
  bool TakeCloseRequest() override {
    int n = pending_close_requests.load();
    while (n > 0) {
      if (pending_close_requests.compare_exchange_weak(n, n - 1)) return true;
    }
    return false;
  }
};

}  // namespace

std::string ServicePackLogPath() {
  const char* p = std::getenv("WEXEL_SERVICE_PACK_LOG");
  return p != nullptr && *p != '\0' ? std::string(p) : std::string("/var/log/WexelServicePack.log");
}

std::unique_ptr<Process> MakeSystemProcess(int argc, char** argv) {
  return std::make_unique<PosixProcess>(argc, argv);
}
std::unique_ptr<Files> MakeSystemFiles() { return std::make_unique<PosixFiles>(); }
std::unique_ptr<Dialogs> MakeSystemDialogs() { return std::make_unique<TerminalDialogs>(); }
std::unique_ptr<Events> MakeSystemEvents() { return std::make_unique<SignalEvents>(); }

}  // namespace tolvane::platform
