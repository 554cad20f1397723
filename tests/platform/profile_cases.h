// The behaviour of the profile functions as a table of cases, one per row of the table of
// observations made with the real functions (ids as there; a letter suffix marks a case
// added beside a row). Plain data and a runner on top of the Profile interface only, so that
// a Windows test program can run the same table against the real functions.
#pragma once

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "platform/platform.h"

namespace tolvane::profile_cases {

enum class Setup {
  kFile,      // the file holds `before`
  kNoFile,    // the file does not exist
  kNoFolder,  // its folder does not exist
  kReadOnly,  // the file holds `before` and is read-only
  kNoName,    // the file name is empty
};
enum class Op { kString, kInt, kWrite };

// Texts are UTF-8; `before` and `after` are the file's bytes. "{300:ab}" anywhere stands
// for 300 characters of "ababab...". With `utf16`, the bytes are the UTF-16LE form (with
// its byte-order mark) of `before` and `after` read as UTF-8.
struct Case {
  std::string_view id;
  std::string_view what;
  Op op = Op::kString;
  Setup setup = Setup::kFile;
  std::string_view before = {};
  std::string_view section = "S";
  std::string_view key = "k";
  std::string_view text = "dflt";  // the default of a read, the value of a write
  int32_t int_default = 42;
  uint32_t size = 255;
  std::string_view want = {};  // string read: the result; write: the file afterwards
  int32_t want_int = 0;
  bool want_ok = true;
  bool utf16 = false;
  // Wine, where the table was observed, does otherwise (and Windows as written here).
  bool wine_differs = false;
};

using namespace std::string_view_literals;

inline constexpr std::string_view kBasic = "[S]\r\nk=val\r\n[Empty]\r\n";

inline constexpr std::string_view kValues =
    "[Values]\r\n"
    "empty=\r\n"
    "spaced =   padded value   \r\n"
    "tabbed=\tTab\t\r\n"
    "dq=\"double quoted\"\r\n"
    "sq='single quoted'\r\n"
    "dqsp=  \" inner spaces \"   \r\n"
    "dqleft=\"left\r\n"
    "dqright=right\"\r\n"
    "mixed=\"mixed'\r\n"
    "dqempty=\"\"\r\n"
    "onequote=\"\r\n"
    "dqmid=a \"b\" c\r\n"
    "eq=a=b=c\r\n"
    "semi=value ; not a comment\r\n"
    "hash=value # hash\r\n"
    ";commented=yes\r\n"
    "  ;indentcomment=yes\r\n"
    "  indented   =   yes\r\n"
    "KeyCase=MixedCase\r\n"
    "noequals\r\n"
    "two words=tw\r\n"
    "=novaluekey\r\n"
    "k\"q\"=quoted-in-name\r\n";

inline constexpr std::string_view kSections =
    "[Dup]\r\nk=first\r\nk=second\r\nonly1=one\r\n"
    "[Other]\r\no=1\r\n"
    "[dup]\r\nonly2=two\r\n"
    "[ Spaced Sec ]\r\ns=inside\r\n"
    "[Trailer] junk after\r\nt=1\r\n"
    "  [Indented]\r\ni=1\r\n"
    "[Unclosed\r\nu=1\r\n"
    "[a]b]\r\nab=1\r\n";

inline constexpr std::string_view kLayout =
    "; top comment\r\n\r\n[First]\r\n  alpha = 1 \r\nbeta=2\r\n; mid comment\r\n\r\n"
    "[Second]\r\ngamma=\"3\"\r\nnoeq line\r\n\r\n";

inline constexpr std::string_view kOne = "[S]\r\nk=1\r\n";

inline constexpr Case kCases[] = {
    // Defaults: missing file, section and key; trailing blanks of the default; the cut.
    {.id = "A01", .what = "missing file gives the default", .setup = Setup::kNoFile, .want = "dflt"},
    {.id = "A02", .what = "missing file, empty default", .setup = Setup::kNoFile, .text = "", .want = ""},
    {.id = "A04", .what = "all-blank default size 256 gives empty", .setup = Setup::kNoFile,
     .text = "{255: }", .size = 256, .want = "", .wine_differs = true},
    {.id = "A05", .what = "all-blank default size 255 gives empty", .setup = Setup::kNoFile,
     .text = "{255: }", .want = "", .wine_differs = true},
    {.id = "A06", .what = "missing section, all-blank default", .before = kBasic, .section = "Nope",
     .text = "{255: }", .want = "", .wine_differs = true},
    {.id = "A07", .what = "missing key, all-blank default", .before = kBasic, .key = "nope",
     .text = "{255: }", .want = "", .wine_differs = true},
    {.id = "A08", .what = "trailing blanks of the default go", .before = kBasic, .key = "nope",
     .text = "dflt   ", .want = "dflt"},
    {.id = "A09", .what = "leading blanks of the default stay", .before = kBasic, .key = "nope",
     .text = "   dflt", .want = "   dflt"},
    {.id = "A10", .what = "trailing tabs of the default stay", .before = kBasic, .key = "nope",
     .text = "dflt\t\t", .want = "dflt\t\t"},
    {.id = "A11", .what = "inner blank of the default stays", .before = kBasic, .key = "nope",
     .text = "a b  ", .want = "a b"},
    {.id = "A12", .what = "default of 300 cut to 254", .before = kBasic, .key = "nope",
     .text = "{300:x}", .want = "{254:x}"},
    {.id = "A14", .what = "existing key", .before = kBasic, .want = "val"},
    {.id = "A15", .what = "empty key name", .before = kBasic, .key = "", .want = "dflt"},
    {.id = "A16", .what = "empty section name", .before = kBasic, .section = "", .want = "dflt"},
    {.id = "A17", .what = "size 0", .before = kBasic, .size = 0, .want = ""},
    {.id = "A18", .what = "size 1", .before = kBasic, .size = 1, .want = ""},
    {.id = "A19", .what = "size 3 cuts the value", .before = kBasic, .size = 3, .want = "va"},
    {.id = "A20", .what = "size 3 cuts the default", .before = kBasic, .key = "nope", .size = 3,
     .want = "df"},
    {.id = "A21", .what = "empty section, missing key", .before = kBasic, .section = "Empty",
     .want = "dflt"},
    {.id = "A22", .what = "file of 0 bytes", .before = "", .want = "dflt"},

    // Values: blanks, quotes, '=' and ';', comments, names.
    {.id = "B01", .what = "empty value is empty, not the default", .before = kValues,
     .section = "Values", .key = "empty", .want = ""},
    {.id = "B02", .what = "blanks around key and value", .before = kValues, .section = "Values",
     .key = "spaced", .want = "padded value"},
    {.id = "B03", .what = "blanks around the queried key", .before = kValues, .section = "Values",
     .key = " spaced ", .want = "padded value"},
    {.id = "B04", .what = "tabs around the value", .before = kValues, .section = "Values",
     .key = "tabbed", .want = "Tab"},
    {.id = "B05", .what = "double quotes", .before = kValues, .section = "Values", .key = "dq",
     .want = "double quoted"},
    {.id = "B06", .what = "single quotes", .before = kValues, .section = "Values", .key = "sq",
     .want = "single quoted"},
    {.id = "B07", .what = "quotes keep inner blanks", .before = kValues, .section = "Values",
     .key = "dqsp", .want = " inner spaces "},
    {.id = "B08", .what = "left quote only", .before = kValues, .section = "Values",
     .key = "dqleft", .want = "\"left"},
    {.id = "B09", .what = "right quote only", .before = kValues, .section = "Values",
     .key = "dqright", .want = "right\""},
    {.id = "B10", .what = "quotes that do not match", .before = kValues, .section = "Values",
     .key = "mixed", .want = "\"mixed'"},
    {.id = "B11", .what = "empty quotes", .before = kValues, .section = "Values",
     .key = "dqempty", .want = ""},
    {.id = "B12", .what = "a lone quote", .before = kValues, .section = "Values",
     .key = "onequote", .want = "\""},
    {.id = "B13", .what = "quotes inside", .before = kValues, .section = "Values", .key = "dqmid",
     .want = "a \"b\" c"},
    {.id = "B14", .what = "quoted value cut", .before = kValues, .section = "Values", .key = "dq",
     .size = 5, .want = "doub"},
    {.id = "B15", .what = "quoted value exactly fits", .before = kValues, .section = "Values",
     .key = "dq", .size = 14, .want = "double quoted", .wine_differs = true},
    {.id = "B16", .what = "'=' inside the value", .before = kValues, .section = "Values",
     .key = "eq", .want = "a=b=c"},
    {.id = "B17", .what = "';' inside the value", .before = kValues, .section = "Values",
     .key = "semi", .want = "value ; not a comment"},
    {.id = "B18", .what = "'#' inside the value", .before = kValues, .section = "Values",
     .key = "hash", .want = "value # hash"},
    {.id = "B19", .what = "commented key is not the key", .before = kValues, .section = "Values",
     .key = "commented", .want = "dflt"},
    {.id = "B20", .what = "commented line is the key ';commented'", .before = kValues,
     .section = "Values", .key = ";commented", .want = "yes"},
    {.id = "B21", .what = "indented comment line is a key too", .before = kValues,
     .section = "Values", .key = ";indentcomment", .want = "yes"},
    {.id = "B22", .what = "indented key", .before = kValues, .section = "Values",
     .key = "indented", .want = "yes"},
    {.id = "B23", .what = "case of section and key", .before = kValues, .section = "VALUES",
     .key = "KEYCASE", .want = "MixedCase"},
    {.id = "B24", .what = "lower-case query", .before = kValues, .section = "values",
     .key = "keycase", .want = "MixedCase"},
    {.id = "B24a", .what = "case beyond ASCII",
     .before = "[Gr\xF6\xDF" "e]\r\n\xC4pfel=1\r\n", .section = "GR\xC3\x96\xC3\x9F" "E",
     .key = "\xC3\xA4pfel", .want = "1", .wine_differs = true},
    {.id = "B25", .what = "line without '=' is no entry", .before = kValues, .section = "Values",
     .key = "noequals", .want = "dflt"},
    {.id = "B26", .what = "blank inside a key", .before = kValues, .section = "Values",
     .key = "two words", .want = "tw"},
    {.id = "B27", .what = "empty key name in the file", .before = kValues, .section = "Values",
     .key = "", .want = "novaluekey"},
    {.id = "B28", .what = "quotes in a key name", .before = kValues, .section = "Values",
     .key = "k\"q\"", .want = "quoted-in-name"},

    // Sections: duplicates, blanks, odd headers.
    {.id = "C01", .what = "first of duplicate keys wins", .before = kSections, .section = "Dup",
     .want = "first"},
    {.id = "C02", .what = "key of the first section", .before = kSections, .section = "Dup",
     .key = "only1", .want = "one"},
    {.id = "C03", .what = "duplicate section is not merged", .before = kSections,
     .section = "Dup", .key = "only2", .want = "dflt"},
    {.id = "C06", .what = "blanks inside the brackets", .before = kSections,
     .section = "Spaced Sec", .key = "s", .want = "inside"},
    {.id = "C07", .what = "blanks around the queried section", .before = kSections,
     .section = " Spaced Sec ", .key = "s", .want = "inside"},
    {.id = "C08", .what = "text after the header", .before = kSections, .section = "Trailer",
     .key = "t", .want = "1"},
    {.id = "C09", .what = "indented header", .before = kSections, .section = "Indented",
     .key = "i", .want = "1"},
    {.id = "C10", .what = "unclosed header is no section", .before = kSections,
     .section = "Unclosed", .key = "u", .want = "dflt"},
    {.id = "C11", .what = "unclosed header's keys stay in the section before", .before = kSections,
     .section = "Indented", .key = "u", .want = "1"},
    {.id = "C12", .what = "header ends at its last bracket", .before = kSections,
     .section = "a]b", .key = "ab", .want = "1"},
    {.id = "C13", .what = "header does not end at its first bracket", .before = kSections,
     .section = "a", .key = "ab", .want = "dflt"},

    // Long values.
    {.id = "D01", .what = "300 characters cut to 254", .before = "[S]\r\nk={300:0123456789}\r\n",
     .want = "{254:0123456789}"},
    {.id = "D02", .what = "254 characters fit", .before = "[S]\r\nk={254:0123456789}\r\n",
     .want = "{254:0123456789}"},
    {.id = "D03", .what = "255 characters cut to 254", .before = "[S]\r\nk={255:0123456789}\r\n",
     .want = "{254:0123456789}"},
    {.id = "D04", .what = "300 characters in a larger buffer", .before = "[S]\r\nk={300:0123456789}\r\n",
     .size = 1024, .want = "{300:0123456789}"},
    {.id = "D05", .what = "5000 characters", .before = "[S]\r\nk={5000:abcdefghijklmnopqrstuvwxyz}\r\n",
     .size = 8192, .want = "{5000:abcdefghijklmnopqrstuvwxyz}"},
    {.id = "D06", .what = "quoted 300 characters cut after unquoting",
     .before = "[S]\r\nk=\"{300:0123456789}\"\r\n", .want = "{254:0123456789}"},
    {.id = "D07", .what = "cut counts characters, not bytes", .before = "\xEF\xBB\xBF[S]\r\nk={300:\xC3\xA9}\r\n",
     .want = "{254:\xC3\xA9}"},

    // Integers.
    {.id = "E01", .what = "digits then letters", .op = Op::kInt, .before = "[S]\r\nk=12abc\r\n", .want_int = 12},
    {.id = "E02", .what = "leading blank", .op = Op::kInt, .before = "[S]\r\nk= 7\r\n", .want_int = 7},
    {.id = "E03", .what = "negative", .op = Op::kInt, .before = "[S]\r\nk=-3\r\n", .want_int = -3},
    {.id = "E04", .what = "0x hex", .op = Op::kInt, .before = "[S]\r\nk=0x10\r\n", .want_int = 16},
    {.id = "E05", .what = "beyond 16 bits", .op = Op::kInt, .before = "[S]\r\nk=99999\r\n", .want_int = 99999},
    {.id = "E06", .what = "empty value gives the default", .op = Op::kInt, .before = "[S]\r\nk=\r\n", .want_int = 42},
    {.id = "E07", .what = "no digits gives 0", .op = Op::kInt, .before = "[S]\r\nk=abc\r\n", .want_int = 0},
    {.id = "E08", .what = "plus sign", .op = Op::kInt, .before = "[S]\r\nk=+5\r\n", .want_int = 5},
    {.id = "E09", .what = "2^32 wraps to 0", .op = Op::kInt, .before = "[S]\r\nk=4294967296\r\n", .want_int = 0},
    {.id = "E10", .what = "2^32+1 wraps to 1", .op = Op::kInt, .before = "[S]\r\nk=4294967297\r\n", .want_int = 1},
    {.id = "E11", .what = "negative hex", .op = Op::kInt, .before = "[S]\r\nk=  -0x10\r\n", .want_int = -16},
    {.id = "E12", .what = "no exponent", .op = Op::kInt, .before = "[S]\r\nk=1e3\r\n", .want_int = 1},
    {.id = "E13", .what = "leading zero is not octal", .op = Op::kInt, .before = "[S]\r\nk=010\r\n", .want_int = 10},
    {.id = "E14", .what = "quoted with blanks", .op = Op::kInt, .before = "[S]\r\nk=\" 42 \"\r\n", .want_int = 42},
    {.id = "E15", .what = "12 digits wrap", .op = Op::kInt, .before = "[S]\r\nk=123456789012\r\n", .want_int = -1097262572},
    {.id = "E16", .what = "65536", .op = Op::kInt, .before = "[S]\r\nk=65536\r\n", .want_int = 65536},
    {.id = "E17", .what = "below -2^31 wraps", .op = Op::kInt, .before = "[S]\r\nk=-2147483649\r\n", .want_int = 2147483647},
    {.id = "E18", .what = "single-quoted", .op = Op::kInt, .before = "[S]\r\nk='7'\r\n", .want_int = 7},
    {.id = "E19", .what = "0X is not hex", .op = Op::kInt, .before = "[S]\r\nk=0X1F\r\n", .want_int = 0},
    {.id = "E20", .what = "0b binary", .op = Op::kInt, .before = "[S]\r\nk=0b101\r\n", .want_int = 5},
    {.id = "E21", .what = "0o octal", .op = Op::kInt, .before = "[S]\r\nk=0o17\r\n", .want_int = 15},
    {.id = "E22", .what = "blank after the sign", .op = Op::kInt, .before = "[S]\r\nk= - 5\r\n", .want_int = 0},
    {.id = "E23", .what = "double-quoted", .op = Op::kInt, .before = "[S]\r\nk=\"12\"\r\n", .want_int = 12},
    {.id = "E24", .what = "2^31 is negative", .op = Op::kInt, .before = "[S]\r\nk=2147483648\r\n", .want_int = INT32_MIN},
    {.id = "E25", .what = "stops at a blank", .op = Op::kInt, .before = "[S]\r\nk=7 8\r\n", .want_int = 7},
    {.id = "E26", .what = "leading tab", .op = Op::kInt, .before = "[S]\r\nk=\t9\r\n", .want_int = 9},
    {.id = "E27", .what = "missing key", .op = Op::kInt, .before = "[S]\r\nk=1\r\n", .key = "nope", .want_int = 42},
    {.id = "E28", .what = "missing key, default -1", .op = Op::kInt, .before = "[S]\r\nk=1\r\n", .key = "nope",
     .int_default = -1, .want_int = -1},
    {.id = "E29", .what = "missing file", .op = Op::kInt, .setup = Setup::kNoFile, .want_int = 42},
    {.id = "E30", .what = "empty value, default -1", .op = Op::kInt, .before = "[S]\r\nk=\r\n",
     .int_default = -1, .want_int = -1},

    // Line ends, byte-order marks, odd bytes.
    {.id = "F01", .what = "LF line ends", .before = "[S]\nk=lf\nk2=two\n", .want = "lf"},
    {.id = "F01a", .what = "LF line ends, second key", .before = "[S]\nk=lf\nk2=two\n", .key = "k2", .want = "two"},
    {.id = "F02", .what = "CR line ends", .before = "[S]\rk=cr\rk2=two\r", .want = "cr"},
    {.id = "F02a", .what = "CR line ends, second key", .before = "[S]\rk=cr\rk2=two\r", .key = "k2", .want = "two"},
    {.id = "F03", .what = "no final line end", .before = "[S]\r\nk=last", .want = "last"},
    {.id = "F04", .what = "UTF-8 byte-order mark before the header", .before = "\xEF\xBB\xBF[S]\r\nk=bom\r\n", .want = "bom"},
    {.id = "F05", .what = "UTF-8 file", .before = "\xEF\xBB\xBF[S]\r\nk=\xC3\xA9t\xC3\xA9\r\n",
     .want = "\xC3\xA9t\xC3\xA9"},
    {.id = "F07", .what = "no mark: bytes are code page 1252", .before = "[S]\r\nk=\xC3\xA9t\xC3\xA9\r\n",
     .want = "\xC3\x83\xC2\xA9t\xC3\x83\xC2\xA9"},
    {.id = "F08", .what = "key before any section", .before = "k=1\r\n[S]\r\nk=2\r\n", .section = "", .want = "1"},
    {.id = "F10", .what = "blank and whitespace lines", .before = "\r\n  \r\n[S]\r\n\t\r\n\r\nk=v\r\n \r\n", .want = "v"},
    {.id = "F11", .what = "end-of-file mark ^Z", .before = "[S]\r\nk=v\r\n\x1A", .want = "v"},
    {.id = "F11a", .what = "^Z right after the value", .before = "[S]\r\nk=v\x1A", .want = "v"},
    {.id = "F12", .what = "UTF-16LE with mark", .before = "[S]\r\nk=utf16\r\n", .want = "utf16", .utf16 = true},
    {.id = "F13", .what = "NUL ends the value", .before = "[S]\r\nk=ab\0cd\r\nk2=x\r\n"sv, .want = "ab"},
    {.id = "F13a", .what = "NUL does not end the file", .before = "[S]\r\nk=ab\0cd\r\nk2=x\r\n"sv, .key = "k2", .want = "x"},

    // Writes.
    {.id = "W01a", .what = "write creates the file", .op = Op::kWrite, .setup = Setup::kNoFile,
     .section = "Sec1", .key = "key1", .text = "val1", .want = "[Sec1]\r\nkey1=val1\r\n"},
    {.id = "W01b", .what = "write adds a key", .op = Op::kWrite, .before = "[Sec1]\r\nkey1=val1\r\n",
     .section = "Sec1", .key = "key2", .text = "val2", .want = "[Sec1]\r\nkey1=val1\r\nkey2=val2\r\n"},
    {.id = "W01c", .what = "write adds a section at the end", .op = Op::kWrite,
     .before = "[Sec1]\r\nkey1=val1\r\nkey2=val2\r\n", .section = "Sec2", .key = "key3", .text = "val3",
     .want = "[Sec1]\r\nkey1=val1\r\nkey2=val2\r\n[Sec2]\r\nkey3=val3\r\n"},
    {.id = "W01d", .what = "write replaces a value", .op = Op::kWrite,
     .before = "[Sec1]\r\nkey1=val1\r\nkey2=val2\r\n[Sec2]\r\nkey3=val3\r\n", .section = "Sec1",
     .key = "key1", .text = "changed",
     .want = "[Sec1]\r\nkey1=changed\r\nkey2=val2\r\n[Sec2]\r\nkey3=val3\r\n"},
    {.id = "W02", .what = "replace keeps every other line", .op = Op::kWrite, .before = kLayout,
     .section = "First", .key = "beta", .text = "22",
     .want = "; top comment\r\n\r\n[First]\r\n  alpha = 1 \r\nbeta=22\r\n; mid comment\r\n\r\n"
             "[Second]\r\ngamma=\"3\"\r\nnoeq line\r\n\r\n",
     .wine_differs = true},
    {.id = "W03", .what = "new key after the section's last line, before its blank lines",
     .op = Op::kWrite, .before = kLayout, .section = "First", .key = "delta", .text = "4",
     .want = "; top comment\r\n\r\n[First]\r\n  alpha = 1 \r\nbeta=2\r\n; mid comment\r\ndelta=4\r\n\r\n"
             "[Second]\r\ngamma=\"3\"\r\nnoeq line\r\n\r\n",
     .wine_differs = true},
    {.id = "W04", .what = "new section after everything", .op = Op::kWrite, .before = kLayout,
     .section = "Third", .key = "eps", .text = "5",
     .want = "; top comment\r\n\r\n[First]\r\n  alpha = 1 \r\nbeta=2\r\n; mid comment\r\n\r\n"
             "[Second]\r\ngamma=\"3\"\r\nnoeq line\r\n\r\n[Third]\r\neps=5\r\n",
     .wine_differs = true},
    {.id = "W05", .what = "replace an indented key", .op = Op::kWrite, .before = kLayout,
     .section = "First", .key = "alpha", .text = "9",
     .want = "; top comment\r\n\r\n[First]\r\nalpha=9\r\nbeta=2\r\n; mid comment\r\n\r\n"
             "[Second]\r\ngamma=\"3\"\r\nnoeq line\r\n\r\n",
     .wine_differs = true},
    {.id = "W05b", .what = "same text leaves the file alone", .op = Op::kWrite,
     .before = kLayout, .section = "Second", .key = "gamma", .text = "\"3\"", .want = kLayout},
    {.id = "W05d", .what = "same value without its quotes is written", .op = Op::kWrite,
     .before = kLayout, .section = "Second", .key = "gamma", .text = "3",
     .want = "; top comment\r\n\r\n[First]\r\n  alpha = 1 \r\nbeta=2\r\n; mid comment\r\n\r\n"
             "[Second]\r\ngamma=3\r\nnoeq line\r\n\r\n",
     .wine_differs = true},
    {.id = "W05c", .what = "new key after a line without '='", .op = Op::kWrite, .before = kLayout,
     .section = "Second", .key = "zeta", .text = "6",
     .want = "; top comment\r\n\r\n[First]\r\n  alpha = 1 \r\nbeta=2\r\n; mid comment\r\n\r\n"
             "[Second]\r\ngamma=\"3\"\r\nnoeq line\r\nzeta=6\r\n\r\n",
     .wine_differs = true},
    {.id = "W06", .what = "replace in an LF file keeps its LFs", .op = Op::kWrite,
     .before = "[S]\nk=1\nother=x\n", .text = "2", .want = "[S]\nk=2\nother=x\n", .wine_differs = true},
    {.id = "W06b", .what = "add in an LF file", .op = Op::kWrite, .before = "[S]\nk=1\nother=x\n",
     .key = "new", .text = "2", .want = "[S]\nk=1\nother=x\nnew=2\r\n", .wine_differs = true},
    {.id = "W07", .what = "add after a last line without line end", .op = Op::kWrite,
     .before = "[S]\r\nk=1", .key = "new", .text = "2", .want = "[S]\r\nk=1\r\nnew=2\r\n"},
    {.id = "W07b", .what = "replace a last line without line end", .op = Op::kWrite,
     .before = "[S]\r\nk=1", .text = "2", .want = "[S]\r\nk=2", .wine_differs = true},
    {.id = "W07c", .what = "new section after a last line without line end", .op = Op::kWrite,
     .before = "[S]\r\nk=1", .section = "T", .key = "t", .text = "1", .want = "[S]\r\nk=1\r\n[T]\r\nt=1\r\n"},
    {.id = "W08", .what = "UTF-8 file is written in UTF-8", .op = Op::kWrite,
     .before = "\xEF\xBB\xBF[S]\r\nk=1\r\n", .text = "\xC3\xA9", .want = "\xEF\xBB\xBF[S]\r\nk=\xC3\xA9\r\n"},
    {.id = "W08b", .what = "code-page file is written in 1252", .op = Op::kWrite, .before = kOne,
     .text = "\xC3\xA9", .want = "[S]\r\nk=\xE9\r\n"},
    {.id = "W08c", .what = "character outside the code page becomes '?'", .op = Op::kWrite,
     .before = kOne, .text = "\xCE\xA9", .want = "[S]\r\nk=?\r\n"},
    {.id = "W09", .what = "missing folder is refused", .op = Op::kWrite, .setup = Setup::kNoFolder,
     .text = "v", .want_ok = false},
    {.id = "W10", .what = "read-only file is refused", .op = Op::kWrite, .setup = Setup::kReadOnly,
     .before = kOne, .text = "2", .want = kOne, .want_ok = false},
    {.id = "W11", .what = "value's leading blanks are not written", .op = Op::kWrite, .before = kOne,
     .text = "  v  ", .want = "[S]\r\nk=v  \r\n"},
    {.id = "W12", .what = "empty value", .op = Op::kWrite, .before = kOne, .text = "", .want = "[S]\r\nk=\r\n"},
    {.id = "W14", .what = "replace keeps the key's spelling", .op = Op::kWrite,
     .before = "[Sec]\r\nKey=1\r\n", .section = "SEC", .key = "KEY", .text = "2", .want = "[Sec]\r\nKey=2\r\n"},
    {.id = "W15a", .what = "first of duplicate sections is written", .op = Op::kWrite,
     .before = "[Dup]\r\nk=1\r\n[Other]\r\no=1\r\n[Dup]\r\nk=2\r\nz=9\r\n", .section = "Dup", .text = "X",
     .want = "[Dup]\r\nk=X\r\n[Other]\r\no=1\r\n[Dup]\r\nk=2\r\nz=9\r\n"},
    {.id = "W15b", .what = "key only in the second duplicate goes to the first", .op = Op::kWrite,
     .before = "[Dup]\r\nk=X\r\n[Other]\r\no=1\r\n[Dup]\r\nk=2\r\nz=9\r\n", .section = "Dup", .key = "z",
     .text = "Y", .want = "[Dup]\r\nk=X\r\nz=Y\r\n[Other]\r\no=1\r\n[Dup]\r\nk=2\r\nz=9\r\n"},
    {.id = "W16", .what = "line break inside the value is written as it is", .op = Op::kWrite,
     .before = kOne, .text = "line1\r\nline2", .want = "[S]\r\nk=line1\r\nline2\r\n"},
    {.id = "W20", .what = "write into a file of 0 bytes", .op = Op::kWrite, .before = "", .text = "v",
     .want = "[S]\r\nk=v\r\n"},
    {.id = "W21", .what = "write into a comment-only file", .op = Op::kWrite,
     .before = "; only a comment\r\n", .text = "v", .want = "; only a comment\r\n[S]\r\nk=v\r\n"},
    {.id = "W22", .what = "key before the first section is another key", .op = Op::kWrite,
     .before = "orphan=1\r\n[S]\r\nk=1\r\n", .text = "2", .want = "orphan=1\r\n[S]\r\nk=2\r\n"},
    {.id = "W23", .what = "header with blanks is kept", .op = Op::kWrite, .before = "[ Spaced ]\r\nk=1\r\n",
     .section = "Spaced", .text = "2", .want = "[ Spaced ]\r\nk=2\r\n", .wine_differs = true},
    {.id = "W24", .what = "new key with blanks", .op = Op::kWrite, .before = kOne, .key = " sp ",
     .text = " v ", .want = "[S]\r\nk=1\r\nsp =v \r\n"},
    {.id = "W25", .what = "new section with blanks", .op = Op::kWrite, .before = kOne, .section = " T ",
     .text = "v", .want = "[S]\r\nk=1\r\n[T ]\r\nk=v\r\n"},
    {.id = "W26", .what = "same value leaves the file alone", .op = Op::kWrite, .before = kOne,
     .text = "1", .want = kOne},
    {.id = "W26a", .what = "same value in other case is written", .op = Op::kWrite,
     .before = "[S]\r\nk=abc\r\n", .text = "ABC", .want = "[S]\r\nk=ABC\r\n"},
    {.id = "F12a", .what = "UTF-16 file is written in UTF-16", .op = Op::kWrite,
     .before = "[S]\r\nk=1\r\n", .text = "\xE2\x82\xAC", .want = "[S]\r\nk=\xE2\x82\xAC\r\n", .utf16 = true},
    {.id = "F11b", .what = "add before the end-of-file mark", .op = Op::kWrite,
     .before = "[S]\r\nk=1\r\n\x1A", .section = "T", .text = "v", .want = "[S]\r\nk=1\r\n[T]\r\nk=v\r\n\x1A",
     .wine_differs = true},
    {.id = "W30", .what = "empty file name is refused", .op = Op::kWrite, .setup = Setup::kNoName,
     .text = "v", .want_ok = false},
};

// "{300:ab}" → 300 characters of "abab..."; characters, not bytes.
inline std::string Expand(std::string_view s) {
  std::string out;
  size_t i = 0;
  while (i < s.size()) {
    size_t open = s.find('{', i);
    size_t colon = open == std::string_view::npos ? open : s.find(':', open);
    size_t close = colon == std::string_view::npos ? colon : s.find('}', colon);
    if (close == std::string_view::npos) {
      out.append(s.substr(i));
      break;
    }
    out.append(s.substr(i, open - i));
    size_t count = std::stoul(std::string(s.substr(open + 1, colon - open - 1)));
    std::string_view pattern = s.substr(colon + 1, close - colon - 1);
    // Characters of the pattern, each as its UTF-8 bytes.
    std::vector<std::string_view> chars;
    for (size_t p = 0; p < pattern.size();) {
      size_t n = 1;
      while (p + n < pattern.size() && (static_cast<unsigned char>(pattern[p + n]) & 0xC0) == 0x80) ++n;
      chars.push_back(pattern.substr(p, n));
      p += n;
    }
    for (size_t k = 0; k < count; ++k) out.append(chars[k % chars.size()]);
    i = close + 1;
  }
  return out;
}

// UTF-16LE with its byte-order mark, for the UTF-8 text s (characters below U+10000).
inline std::string Utf16(std::string_view s) {
  std::string out = "\xFF\xFE";
  for (size_t i = 0; i < s.size();) {
    unsigned char b = static_cast<unsigned char>(s[i]);
    char32_t c = b;
    size_t n = b < 0x80 ? 1 : b < 0xE0 ? 2 : 3;
    if (n == 2) c = ((b & 0x1F) << 6) | (s[i + 1] & 0x3F);
    if (n == 3) c = ((b & 0x0F) << 12) | ((s[i + 1] & 0x3F) << 6) | (s[i + 2] & 0x3F);
    out += static_cast<char>(c & 0xFF);
    out += static_cast<char>(c >> 8);
    i += n;
  }
  return out;
}

inline std::string Bytes(const Case& c, std::string_view s) {
  std::string expanded = Expand(s);
  return c.utf16 ? Utf16(expanded) : expanded;
}

inline std::optional<std::string> ReadBytes(const std::filesystem::path& p) {
  std::ifstream in(p, std::ios::binary);
  if (!in) return std::nullopt;
  return std::string(std::istreambuf_iterator<char>(in), {});
}

inline std::string Shown(std::string_view s) {
  std::string out = "\"";
  for (unsigned char ch : s) {
    static const char* hex = "0123456789ABCDEF";
    if (ch == '\r') out += "\\r";
    else if (ch == '\n') out += "\\n";
    else if (ch == '\t') out += "\\t";
    else if (ch == '"') out += "\\\"";
    else if (ch < 0x20 || ch >= 0x7F) out += std::string("\\x") + hex[ch >> 4] + hex[ch & 15];
    else out += static_cast<char>(ch);
  }
  return out + "\"";
}

// Runs one case in the empty folder `dir`; returns what went wrong, or the empty text.
inline std::string Run(platform::Profile& profile, const Case& c, const std::filesystem::path& dir) {
  namespace fs = std::filesystem;
  fs::path path = c.setup == Setup::kNoFolder ? dir / "missing" / "case.ini" : dir / "case.ini";
  std::string file = c.setup == Setup::kNoName ? std::string() : path.string();
  std::string before = Bytes(c, c.before);
  if (c.setup == Setup::kFile || c.setup == Setup::kReadOnly) {
    std::ofstream(path, std::ios::binary) << before;
  }
  if (c.setup == Setup::kReadOnly)
    fs::permissions(path, fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                    fs::perm_options::remove);

  std::string problem;
  const std::string section = Expand(c.section), key = Expand(c.key), text = Expand(c.text);
  switch (c.op) {
    case Op::kString: {
      std::string got = profile.GetString(section, key, text, c.size, file);
      std::string want = Expand(c.want);
      if (got != want) problem = "read " + Shown(got) + ", want " + Shown(want);
      break;
    }
    case Op::kInt: {
      int32_t got = profile.GetInt(section, key, c.int_default, file);
      if (got != c.want_int)
        problem = "read " + std::to_string(got) + ", want " + std::to_string(c.want_int);
      break;
    }
    case Op::kWrite: {
      bool ok = profile.WriteString(section, key, text, file);
      if (ok != c.want_ok) problem = std::string("write gave ") + (ok ? "true" : "false");
      break;
    }
  }

  // Reads never change the file; a write leaves what `want` says, or nothing.
  std::optional<std::string> after = ReadBytes(path);
  std::optional<std::string> want_after;
  if (c.op == Op::kWrite && (c.want_ok || c.setup == Setup::kReadOnly)) want_after = Bytes(c, c.want);
  else if (c.op != Op::kWrite && (c.setup == Setup::kFile || c.setup == Setup::kReadOnly)) want_after = before;
  if (after != want_after) {
    if (!problem.empty()) problem += "; ";
    problem += "file " + (after ? Shown(*after) : std::string("missing")) + ", want " +
               (want_after ? Shown(*want_after) : std::string("missing"));
  }
  if (c.setup == Setup::kReadOnly) {
    std::error_code ignored;
    fs::permissions(path, fs::perms::owner_write, fs::perm_options::add, ignored);
  }
  return problem;
}

}  // namespace tolvane::profile_cases
