#pragma once

#include <string_view>

namespace notice::win32 {

// A failure that reached a boundary of the window layer: reports it to the debugger's output and
// ends the process with exit code 1.
[[noreturn]] void end_after_failure(const char* what) noexcept;

// One line, `before` + `what` (UTF-8) + `after`, to the debugger's output and to standard error
// (as write_standard_error). Allocates nothing: the failure may be an exhausted heap.
void report_failure_line(std::wstring_view before, const char* what,
                         std::wstring_view after) noexcept;

// The line and a line break to standard error, when the process was given one (a fleet tool
// capturing it, or a script's 2>): UTF-8 into a file or pipe, as text into a console. Allocates
// nothing.
void write_standard_error(std::wstring_view line) noexcept;
// The same to standard output.
void write_standard_output(std::wstring_view line) noexcept;

}  // namespace notice::win32
