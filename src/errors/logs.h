// The two logs: the error log (product folder, or the LOGFILE path in an integrated run)
// and the service-pack log. Each entry is appended and closed at once, in the single-byte
// code page, followed by CR LF. Failures to write are not handled here: they go to the
// trap of the caller.
#pragma once

#include <string>

namespace tolvane {

// Inner line break of messages and log texts: line feed, then carriage return.
inline constexpr const char* kLfCr = "\n\r";

// The error log's path in the current start mode.
std::string ErrorLogPath();

// Appends the text to the error log. Returns the notice "Error logged to " LF CR + the
// path in upper case, or (show_notice) shows that notice and returns the empty text.
std::string LogError(const std::string& log_text, bool show_notice);

// Appends "! Fault " + executable name + ": " + text to the service-pack log.
void WriteServicePackLog(const std::string& text);

// In a silent run a service-pack entry; otherwise a box with the stop icon and OK,
// titled with the executable's name.
void ShowMessageOrLog(const std::string& text);
}  // namespace tolvane
