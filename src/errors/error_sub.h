// The central handler every trap calls, and the immediate end of the program.
#pragma once

#include <cstdint>
#include <string>

namespace tolvane {

inline constexpr int kErrorSubEnd = 1;
inline constexpr int kErrorSubGoOn = 2;

// Logs the failure, tells the user (or the service-pack log in a silent run) and answers
// 1 (end) or 2 (go on). No trap of its own: its failures reach the caller's trap.
int ErrorSub(int32_t err_number, const std::string& err_source, const std::string& err_description,
             const std::string& proc_name, bool fatal);

// Ends the program at once: no further step of any operation runs.
[[noreturn]] void EndProgram(int exit_code = 1);

}  // namespace tolvane
