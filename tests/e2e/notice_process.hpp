#pragma once

#include <windows.h>

#include <chrono>
#include <optional>
#include <string>

namespace e2e {

// How a program is started, beyond its exact command line.
struct LaunchOptions {
  // The child's current directory; empty for the test's own.
  std::wstring current_directory{};
  // "station\desktop" to start the child on, as STARTUPINFOW.lpDesktop; empty for the test's own.
  std::wstring desktop{};
  // A job object to put the child in before it runs, as a deployment agent does; null for none.
  HANDLE job = nullptr;
  // Inheritable handles given to the child as its standard error and output; null for none.
  HANDLE error_output = nullptr;
  HANDLE output = nullptr;
  // A timed notice counts its period only while someone is at the PC: as a person would be, there
  // is input just before it starts, with the pointer parked away from its corner.
  bool someone_present = true;
};

// A launched program, terminated when the guard goes out of scope so that a failing test never
// leaves a window behind for the next one.
class NoticeProcess {
 public:
  // Starts `"<program>" <argument>` exactly as written; an empty argument gives `"<program>"`. A
  // program path that CreateProcessW refuses for its length (Wine's limit is MAX_PATH) is started
  // through RtlCreateUserProcess instead, which takes any length. Throws std::runtime_error when
  // the process cannot be created.
  NoticeProcess(const std::wstring& program, const std::wstring& argument,
                const LaunchOptions& options = {});
  ~NoticeProcess();
  NoticeProcess(NoticeProcess&& other) noexcept;
  NoticeProcess(const NoticeProcess&) = delete;
  NoticeProcess& operator=(const NoticeProcess&) = delete;
  NoticeProcess& operator=(NoticeProcess&&) = delete;

  DWORD id() const { return id_; }
  HANDLE handle() const { return process_; }
  const std::wstring& command_line() const { return command_line_; }

  // The exit code once the process has ended within the timeout; nothing while it still runs.
  std::optional<DWORD> wait_for_exit(std::chrono::milliseconds timeout) const;
  bool running() const;
  void terminate();

 private:
  std::wstring command_line_;
  HANDLE process_ = nullptr;
  DWORD id_ = 0;
};

std::wstring exact_command_line(const std::wstring& program, const std::wstring& argument);

// CreateProcessW with these arguments, tried up to twice more when it fails with
// ERROR_INTERNAL_ERROR (1359): Wine fails a start that way now and then, for a program that starts
// the next time. Any other failure is returned at once, with GetLastError() as CreateProcessW left
// it. Handles are inherited where the startup information names standard handles.
BOOL create_process(const wchar_t* program, wchar_t* command_line, DWORD flags,
                    const wchar_t* directory, STARTUPINFOW* startup, PROCESS_INFORMATION* info);

}  // namespace e2e
