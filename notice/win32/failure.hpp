#pragma once

namespace notice::win32 {

// A failure that reached a boundary of the window layer: reports it to the debugger's output and
// ends the process with exit code 1.
[[noreturn]] void end_after_failure(const char* what) noexcept;

}  // namespace notice::win32
