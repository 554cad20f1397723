// The operating system behind small interfaces. Texts are UTF-8; every implementation
// converts at its own boundary. Nothing outside src/platform/ includes a system header.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace tolvane::platform {

// The running program as the system sees it.
class Process {
 public:
  virtual ~Process() = default;
  // Full path of the executable's folder: no trailing separator except at a root.
  virtual std::string ProgramFolder() = 0;
  // The executable's file name without its extension.
  virtual std::string ExecutableName() = 0;
  // The arguments as one text: everything after the program's own name.
  virtual std::string CommandLine() = 0;
  // The first entry of the environment in the system's order ("NAME=value"), or empty.
  virtual std::string FirstEnvironmentEntry() = 0;
  // The path separator of this platform.
  virtual char Separator() = 0;
};

// Times of a file, in the system's own units (FILETIME on Windows, ns since 1970 on POSIX).
struct FileTimes {
  int64_t creation = 0;
  int64_t last_access = 0;
  int64_t last_write = 0;
};

class Files {
 public:
  virtual ~Files() = default;
  // True for a file; folders do not count.
  virtual bool Exists(const std::string& path) = 0;
  // Copies source over destination (created or replaced). Throws Failure.
  virtual void CopyOver(const std::string& source, const std::string& destination) = 0;
  // Opens for appending (creating the file), writes the bytes, closes. Throws Failure.
  virtual void Append(const std::string& path, const std::string& bytes) = 0;
  // Whole file as bytes, or nothing when it cannot be read.
  virtual std::optional<std::string> ReadAll(const std::string& path) = 0;
  // Replaces the file's content; false when it cannot be written.
  virtual bool WriteAll(const std::string& path, const std::string& bytes) = 0;
  // Nothing when the file cannot be opened for writing.
  virtual std::optional<FileTimes> GetTimes(const std::string& path) = 0;
  // Puts back creation (where the system can) and last write; last access is left alone.
  virtual bool SetTimes(const std::string& path, const FileTimes& times) = 0;
};

enum class Buttons { kOk, kYesNo };
enum class Icon { kNone, kCritical, kExclamation, kInformation };
// The values of the original platform's message box answers.
enum class Answer { kOk = 1, kYes = 6, kNo = 7 };

struct MessageBox {
  std::string text;
  std::string title;
  Buttons buttons = Buttons::kOk;
  Icon icon = Icon::kNone;
  int default_button = 0;  // 0 the first button, 1 the second
};

class Dialogs {
 public:
  virtual ~Dialogs() = default;
  // Modal: returns when answered.
  virtual Answer Show(const MessageBox& box) = 0;
};

// The window system's event pass, reduced to what reaches a hidden window.
class Events {
 public:
  virtual ~Events() = default;
  // True once for each close request that arrived since the last call.
  virtual bool TakeCloseRequest() = 0;
};

// The Windows profile functions in their single-byte form; texts in and out are UTF-8.
class Profile {
 public:
  virtual ~Profile() = default;
  // Like GetPrivateProfileStringA: the value, or the default with its trailing blanks
  // removed, cut to size - 1 characters.
  virtual std::string GetString(const std::string& section, const std::string& key,
                                const std::string& default_value, uint32_t size,
                                const std::string& file) = 0;
  // Like GetPrivateProfileIntA: 32 bits.
  virtual int32_t GetInt(const std::string& section, const std::string& key,
                         int32_t default_value, const std::string& file) = 0;
  // Like WritePrivateProfileStringA: false when the file cannot be written.
  virtual bool WriteString(const std::string& section, const std::string& key,
                           const std::string& value, const std::string& file) = 0;
};

// The service-pack log's fixed place on this platform.
std::string ServicePackLogPath();

struct Platform {
  Process* process = nullptr;
  Files* files = nullptr;
  Dialogs* dialogs = nullptr;
  Events* events = nullptr;
  Profile* profile = nullptr;
};

// The platform in use. main installs the system's; tests install their own parts.
Platform& Current();
void Install(const Platform& p);

// The system's own implementations of this build's platform.
std::unique_ptr<Process> MakeSystemProcess(int argc, char** argv);
std::unique_ptr<Files> MakeSystemFiles();
// Message boxes on the terminal: printed to standard error, answered from standard input.
std::unique_ptr<Dialogs> MakeSystemDialogs();
// Installs the handlers of close requests (SIGINT, SIGTERM, SIGHUP on POSIX).
std::unique_ptr<Events> MakeSystemEvents();
std::unique_ptr<Profile> MakeSystemProfile();

// Scripted message boxes for tests: answers from a list, records what was shown. When the
// list is used up, the box takes its default button.
class ScriptedDialogs : public Dialogs {
 public:
  explicit ScriptedDialogs(std::vector<Answer> answers = {}) : answers_(std::move(answers)) {}
  Answer Show(const MessageBox& box) override;
  std::vector<MessageBox> shown;

 private:
  std::vector<Answer> answers_;
  size_t next_ = 0;
};

}  // namespace tolvane::platform
