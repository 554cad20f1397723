// Failures of the database engine. Each carries the number and source text the original
// engine (DAO/Jet) gives for the same situation, so callers written against that engine's
// numbers keep working. Thrown, never returned.
#pragma once

#include <stdexcept>
#include <string>
#include <string_view>

namespace tolvane::jet {

namespace errc {
constexpr int kTypeMismatch = 13;
constexpr int kNoCurrentRecord = 3021;
constexpr int kFileNotFound = 3024;
constexpr int kNotValidPassword = 3031;
constexpr int kCannotOpenDatabase = 3049;  // corrupt or unreadable file
constexpr int kTooFewParameters = 3061;
constexpr int kSyntaxInQuery = 3075;
constexpr int kInputTableNotFound = 3078;
constexpr int kSyntaxInFrom = 3131;
constexpr int kSyntaxInOrderBy = 3138;
constexpr int kCharactersAfterEnd = 3142;
constexpr int kItemNotFound = 3265;
constexpr int kUnrecognizedFormat = 3343;
constexpr int kTypeMismatchInCriteria = 3464;
constexpr int kInvalidSql = 3129;  // not a statement this engine knows
}  // namespace errc

class Error : public std::runtime_error {
 public:
  // `detail` says what exactly was wrong (a page number, an offset); it is for logs and
  // the command-line tool, not part of the message users of the original engine see.
  Error(int number, std::string message, std::string source = "DAO.Database",
        std::string detail = {})
      : std::runtime_error(message),
        number_(number),
        source_(std::move(source)),
        detail_(std::move(detail)) {}

  int number() const { return number_; }
  const std::string& source() const { return source_; }
  const std::string& detail() const { return detail_; }

 private:
  int number_;
  std::string source_;
  std::string detail_;
};

// The failures that are raised from more than one place.
[[noreturn]] void ThrowCorrupt(const std::string& path, const std::string& detail);
[[noreturn]] void ThrowUnrecognizedFormat(const std::string& path, const std::string& detail = {});
[[noreturn]] void ThrowItemNotFound(std::string_view what = {});
[[noreturn]] void ThrowNoCurrentRecord();
[[noreturn]] void ThrowInputTableNotFound(std::string_view name);

}  // namespace tolvane::jet
