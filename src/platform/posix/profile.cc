// The Windows profile functions (GetPrivateProfileStringA, GetPrivateProfileIntA,
// WritePrivateProfileStringA) for POSIX, behaving as they do on Windows with code page 1252,
// so that INI files written for Windows read and change the same way here.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/platform.h"
#include "platform/posix/file_io.h"
#include "platform/text.h"

namespace tolvane::platform {
namespace {

// The A functions see every text through the code page: what 1252 cannot hold is '?' by
// the time it reaches the file or the caller, on Windows and therefore here.
std::string ThroughCodePage(std::string_view utf8) { return text::FromCp1252(text::ToCp1252(utf8)); }

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view TrimBlanksAndTabs(std::string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
  return s;
}

std::string_view TrimLeading(std::string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  return s;
}

// Names compare as the system compares them: blanks and tabs around them do not count,
// nor does case.
std::string Folded(std::string_view name) { return text::Upper(TrimBlanksAndTabs(name)); }

// A value as the reader returns it: without blanks and tabs around it and without one pair
// of matching quotes around the whole of it; a NUL ends it, as it ends the C text.
std::string ValueOf(std::string_view raw) {
  std::string_view v = TrimBlanksAndTabs(raw);
  if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
    v = v.substr(1, v.size() - 2);
  size_t nul = v.find('\0');
  if (nul != std::string_view::npos) v = v.substr(0, nul);
  return std::string(v);
}

enum class Encoding { kAnsi, kUtf8, kUtf16Le };

// One line of the file, found in the raw bytes so that an edit can leave the rest alone.
struct Line {
  size_t begin = 0;  // first byte of the text
  size_t end = 0;    // one past the text: where the line end starts
  size_t next = 0;   // one past the line end (== end for a last line without one)
  enum Kind { kBlank, kSection, kEntry, kOther } kind = kBlank;
  std::string name;   // section name or key, as written (trimmed)
  std::string value;  // raw value text of an entry, after the first '='
};

struct IniFile {
  std::string raw;
  Encoding encoding = Encoding::kAnsi;
  size_t body = 0;  // after the byte-order mark
  size_t eof = 0;   // before a DOS end-of-file mark (^Z) at the very end
  std::vector<Line> lines;
};

size_t UnitSize(Encoding e) { return e == Encoding::kUtf16Le ? 2 : 1; }

char16_t UnitAt(const IniFile& f, size_t at) {
  if (f.encoding == Encoding::kUtf16Le)
    return static_cast<char16_t>(static_cast<unsigned char>(f.raw[at]) |
                                 (static_cast<unsigned char>(f.raw[at + 1]) << 8));
  return static_cast<unsigned char>(f.raw[at]);
}

std::string DecodeText(const IniFile& f, size_t begin, size_t end) {
  std::string_view bytes(f.raw.data() + begin, end - begin);
  switch (f.encoding) {
    case Encoding::kAnsi:
      return text::FromCp1252(bytes);
    case Encoding::kUtf8:
      return std::string(bytes);
    case Encoding::kUtf16Le:
      break;
  }
  std::u32string chars;
  for (size_t i = begin; i + 1 < end; i += 2) {
    char32_t c = UnitAt(f, i);
    if (c >= 0xD800 && c <= 0xDBFF && i + 3 < end) {
      char32_t low = UnitAt(f, i + 2);
      if (low >= 0xDC00 && low <= 0xDFFF) {
        c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
        i += 2;
      }
    } else if (c >= 0xD800 && c <= 0xDFFF) {
      c = 0xFFFD;
    }
    chars += c;
  }
  return text::Encode(chars);
}

std::string EncodeText(Encoding e, std::string_view utf8) {
  switch (e) {
    case Encoding::kAnsi:
      return text::ToCp1252(utf8);
    case Encoding::kUtf8:
      return std::string(utf8);
    case Encoding::kUtf16Le:
      break;
  }
  std::string out;
  auto put = [&out](char32_t u) {
    out += static_cast<char>(u & 0xFF);
    out += static_cast<char>((u >> 8) & 0xFF);
  };
  for (char32_t c : text::Decode(utf8)) {
    if (c >= 0x10000) {
      put(0xD800 + ((c - 0x10000) >> 10));
      put(0xDC00 + ((c - 0x10000) & 0x3FF));
    } else {
      put(c);
    }
  }
  return out;
}

void Classify(Line& line, std::string_view t) {
  t = TrimLeading(t);
  if (t.empty() || TrimBlanksAndTabs(t).empty()) {
    line.kind = Line::kBlank;
    return;
  }
  // "[a]b]" is the section "a]b": the header ends at the line's last bracket. Without one
  // the line is no header and belongs to the section before it.
  if (t.front() == '[') {
    size_t close = t.rfind(']');
    if (close != std::string_view::npos) {
      line.kind = Line::kSection;
      line.name = std::string(TrimBlanksAndTabs(t.substr(1, close - 1)));
      return;
    }
  }
  // No comment syntax: ";x=1" is the key ";x", as the system reads it.
  size_t eq = t.find('=');
  if (eq == std::string_view::npos) {
    line.kind = Line::kOther;
    return;
  }
  line.kind = Line::kEntry;
  line.name = std::string(TrimBlanksAndTabs(t.substr(0, eq)));
  line.value = std::string(t.substr(eq + 1));
}

IniFile Parse(std::string raw) {
  IniFile f;
  f.raw = std::move(raw);
  const std::string& r = f.raw;
  if (r.compare(0, 3, "\xEF\xBB\xBF") == 0) {
    f.encoding = Encoding::kUtf8;
    f.body = 3;
  } else if (r.compare(0, 2, "\xFF\xFE") == 0) {
    f.encoding = Encoding::kUtf16Le;
    f.body = 2;
  }
  const size_t unit = UnitSize(f.encoding);
  f.eof = f.body + (r.size() - f.body) / unit * unit;  // an odd last byte of UTF-16 is no unit
  while (f.eof > f.body && UnitAt(f, f.eof - unit) == 0x1A) f.eof -= unit;

  size_t at = f.body;
  while (at < f.eof) {
    Line line;
    line.begin = at;
    while (at < f.eof && UnitAt(f, at) != '\r' && UnitAt(f, at) != '\n') at += unit;
    line.end = at;
    if (at < f.eof) {
      bool cr = UnitAt(f, at) == '\r';
      at += unit;
      if (cr && at < f.eof && UnitAt(f, at) == '\n') at += unit;
    }
    line.next = at;
    Classify(line, DecodeText(f, line.begin, line.end));
    f.lines.push_back(std::move(line));
  }
  return f;
}

// A section spans from its header to the next header; keys before the first header belong
// to the section "". Only the first section of a name counts, and only its first key.
struct Span {
  size_t first = 0;  // index of the header line (or 0 for the section "")
  size_t last = 0;   // one past the section's last line
  bool header = false;
};

std::optional<Span> FindSection(const IniFile& f, const std::string& section) {
  const std::string wanted = Folded(section);
  std::optional<Span> found;
  if (wanted.empty()) found = Span{0, 0, false};
  for (size_t i = 0; i < f.lines.size(); ++i) {
    if (f.lines[i].kind != Line::kSection) continue;
    if (found) {
      found->last = i;
      return found;
    }
    if (Folded(f.lines[i].name) == wanted) found = Span{i, 0, true};
  }
  if (found) found->last = f.lines.size();
  return found;
}

const Line* FindKey(const IniFile& f, const Span& s, const std::string& key) {
  const std::string wanted = Folded(key);
  for (size_t i = s.first; i < s.last; ++i) {
    const Line& line = f.lines[i];
    if (line.kind == Line::kEntry && Folded(line.name) == wanted) return &line;
  }
  return nullptr;
}

std::optional<std::string> FindValue(const std::string& section, const std::string& key,
                                     const std::string& file) {
  std::optional<std::string> raw = posix::ReadWholeFile(file);
  if (!raw) return std::nullopt;
  IniFile f = Parse(std::move(*raw));
  std::optional<Span> span = FindSection(f, section);
  if (!span) return std::nullopt;
  const Line* line = FindKey(f, *span, key);
  if (line == nullptr) return std::nullopt;
  return ThroughCodePage(ValueOf(line->value));
}

std::atomic<unsigned> temp_counter{0};


// Replaces the file's content so that a crash leaves either the old file or the new one:
// the new content goes to a file beside it, which is then renamed over it.
bool ReplaceContent(const std::string& path, const std::string& bytes, const struct stat* old) {
  size_t slash = path.rfind('/');
  std::string folder = slash == std::string::npos ? "." : path.substr(0, slash == 0 ? 1 : slash);
  std::string base = slash == std::string::npos ? path : path.substr(slash + 1);
  std::string temp;
  int fd = -1;
  for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
    temp = folder + "/." + base + ".tmp" + std::to_string(::getpid()) + "-" +
           std::to_string(temp_counter.fetch_add(1));
    fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0 && errno != EEXIST) break;
  }
  if (fd < 0) {
    // A folder we may not create files in, holding a file we may write: change the file
    // itself, as the system would.
    if (old == nullptr || (errno != EACCES && errno != EPERM)) return false;
    int direct = ::open(path.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
    if (direct < 0) return false;
    bool ok = posix::WriteFully(direct, bytes);
    return ::close(direct) == 0 && ok;
  }
  if (old != nullptr) {
    (void)::fchown(fd, old->st_uid, old->st_gid);  // works for root only; harmless otherwise
    (void)::fchmod(fd, old->st_mode & 07777);
  }
  bool ok = posix::WriteFully(fd, bytes) && ::fsync(fd) == 0;
  ok = ::close(fd) == 0 && ok;
  if (!ok || ::rename(temp.c_str(), path.c_str()) != 0) {
    ::unlink(temp.c_str());
    return false;
  }
  int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dir >= 0) {
    (void)::fsync(dir);
    ::close(dir);
  }
  return true;
}

// The file a path names, through symbolic links, so that the rename replaces the file and
// not the link.
std::string FileBehind(const std::string& path) {
  struct stat st;
  if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return path;
  char* real = ::realpath(path.c_str(), nullptr);
  if (real == nullptr) return path;
  std::string out(real);
  std::free(real);
  return out;
}

// The leading blanks and tabs of a written name or value are dropped, the trailing ones
// kept: what the system writes.
std::string Written(std::string_view s) { return std::string(TrimLeading(s)); }

class PosixProfile : public Profile {
 public:
  std::string GetString(const std::string& section, const std::string& key,
                        const std::string& default_value, uint32_t size,
                        const std::string& file) override {
    if (size == 0) return {};
    std::optional<std::string> value =
        FindValue(ThroughCodePage(section), ThroughCodePage(key), file);
    std::string out;
    if (value) {
      out = std::move(*value);
    } else {
      out = ThroughCodePage(default_value);
      while (!out.empty() && out.back() == ' ') out.pop_back();
    }
    return text::Left(out, size - 1);
  }

  int32_t GetInt(const std::string& section, const std::string& key, int32_t default_value,
                 const std::string& file) override {
    // The system reads the value into a small buffer first; an empty value is as good as
    // a missing one.
    std::string v = GetString(section, key, "", 30, file);
    if (v.empty()) return default_value;
    return ParseInteger(v);
  }

  bool WriteString(const std::string& section, const std::string& key, const std::string& value,
                   const std::string& file) override {
    if (file.empty()) return false;
    const std::string sec = ThroughCodePage(section);
    const std::string k = ThroughCodePage(key);
    const std::string v = Written(ThroughCodePage(value));
    const std::string path = FileBehind(file);

    struct stat st;
    bool exists = ::stat(path.c_str(), &st) == 0;
    if (exists) {
      if (!S_ISREG(st.st_mode)) return false;
      // The read-only attribute's counterpart: no write permission for the owner. Checked
      // by hand, since the rename would not ask and root may write anything.
      if ((st.st_mode & S_IWUSR) == 0 || ::access(path.c_str(), W_OK) != 0) return false;
    }
    IniFile f;
    if (exists) {
      std::optional<std::string> raw = posix::ReadWholeFile(path);
      if (!raw) return false;
      f = Parse(std::move(*raw));
    }

    std::string out;
    std::optional<Span> span = FindSection(f, sec);
    if (span) {
      const Line* line = FindKey(f, *span, k);
      if (line != nullptr) {
        // The same text again leaves the file (and its time) alone. Compared as written,
        // quotes included: writing 3 over "3" changes the file.
        if (ThroughCodePage(TrimBlanksAndTabs(line->value)) == v) return true;
        out = f.raw.substr(0, line->begin) + EncodeText(f.encoding, line->name + "=" + v) +
              f.raw.substr(line->end);
      } else {
        // After the section's last line that is not blank: blank lines before the next
        // header stay where they are.
        size_t after = span->first;
        bool any = span->header;
        for (size_t i = span->first; i < span->last; ++i) {
          if (f.lines[i].kind != Line::kBlank) {
            after = i;
            any = true;
          }
        }
        std::string insert;
        size_t at = f.body;
        if (any) {
          const Line& prev = f.lines[after];
          at = prev.next;
          if (prev.next == prev.end) insert = EncodeText(f.encoding, "\r\n");
        }
        insert += EncodeText(f.encoding, Written(k) + "=" + v + "\r\n");
        out = f.raw.substr(0, at) + insert + f.raw.substr(at);
      }
    } else {
      std::string insert;
      if (!f.lines.empty() && f.lines.back().next == f.lines.back().end)
        insert = EncodeText(f.encoding, "\r\n");
      insert += EncodeText(f.encoding, "[" + Written(sec) + "]\r\n" + Written(k) + "=" + v + "\r\n");
      out = f.raw.substr(0, f.eof) + insert + f.raw.substr(f.eof);
    }
    return ReplaceContent(path, out, exists ? &st : nullptr);
  }

 private:
  // As the system's text-to-number conversion with base 0: leading blanks and control
  // characters skipped, one sign, "0x", "0o" or "0b" (lower case) choosing the base, digits
  // up to the first other character, 32 bits with wrap-around.
  static int32_t ParseInteger(std::string_view s) {
    size_t i = 0;
    while (i < s.size() && static_cast<unsigned char>(s[i]) <= ' ') ++i;
    bool negative = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) negative = s[i++] == '-';
    unsigned base = 10;
    if (i + 1 < s.size() && s[i] == '0') {
      if (s[i + 1] == 'x') base = 16;
      if (s[i + 1] == 'o') base = 8;
      if (s[i + 1] == 'b') base = 2;
      if (base != 10) i += 2;
    }
    uint32_t value = 0;
    for (; i < s.size(); ++i) {
      char c = s[i];
      unsigned digit = c >= '0' && c <= '9'   ? static_cast<unsigned>(c - '0')
                       : c >= 'a' && c <= 'f' ? static_cast<unsigned>(c - 'a' + 10)
                       : c >= 'A' && c <= 'F' ? static_cast<unsigned>(c - 'A' + 10)
                                              : 99;
      if (digit >= base) break;
      value = value * base + digit;
    }
    if (negative) value = 0u - value;
    return static_cast<int32_t>(value);
  }
};

}  // namespace

std::unique_ptr<Profile> MakeSystemProfile() { return std::make_unique<PosixProfile>(); }

}  // namespace tolvane::platform
