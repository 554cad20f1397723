// A failure of the kind the program's traps handle: a number, a source text and a
// description, as the original platform reports them. Thrown, never returned.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

namespace tolvane {

// Numbers users of the original platform know.
namespace err {
constexpr int32_t kInvalidProcedureCall = 5;
constexpr int32_t kOverflow = 6;
constexpr int32_t kSubscriptOutOfRange = 9;
constexpr int32_t kTypeMismatch = 13;
constexpr int32_t kFileNotFound = 53;
constexpr int32_t kPermissionDenied = 70;
constexpr int32_t kPathFileAccess = 75;
constexpr int32_t kPathNotFound = 76;
constexpr int32_t kObjectRequired = 424;
constexpr int32_t kDatabaseError = 9999;
}  // namespace err

class Failure : public std::runtime_error {
 public:
  Failure(int32_t number, std::string source, std::string description)
      : std::runtime_error(description),
        number_(number),
        source_(std::move(source)),
        description_(std::move(description)) {}

  int32_t number() const { return number_; }
  const std::string& source() const { return source_; }
  const std::string& description() const { return description_; }

 private:
  int32_t number_;
  std::string source_;
  std::string description_;
};

// The runtime's own failures carry this source text, as the original runtime did.
inline constexpr const char* kRuntimeSource = "Tolvane_Config";

[[noreturn]] void RaiseOverflow();
[[noreturn]] void RaiseSubscriptOutOfRange();

// The 16-bit whole numbers of the program: a value out of range is the failure "Overflow".
int16_t ToInt16(long long value);

// The immediate end of the program. Not a Failure: no trap catches it; it unwinds to main,
// which returns the exit code.
struct EndSignal {
  int exit_code;
};

namespace exit_code {
constexpr int kDone = 0;            // the close sequence ran to its end
constexpr int kEndedByFailure = 1;  // a failure or a missing configuration file ended it
constexpr int kCancelled = 2;       // a close request was confirmed
}  // namespace exit_code

}  // namespace tolvane
