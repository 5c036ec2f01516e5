#pragma once

#include <windows.h>

#include <chrono>
#include <optional>
#include <string>
#include <utility>

namespace hardening {

// How a program is started, beyond its exact command line.
struct LaunchOptions {
  // The child's current directory; empty for the test's own.
  std::wstring current_directory{};
  // "station\desktop" to start the child on, as STARTUPINFOW.lpDesktop; empty for the test's own.
  std::wstring desktop{};
};

// A started program, terminated when the guard goes if it still runs, so that a failing test never
// leaves a window behind for the next one.
class Process {
 public:
  // Starts `"<program>" <argument>` exactly as written (e2e::exact_command_line). A program path
  // that CreateProcessW refuses for its length (Wine's limit is MAX_PATH) is started through
  // RtlCreateUserProcess instead, which takes any length. Throws std::runtime_error when the
  // process cannot be created.
  Process(const std::wstring& program, const std::wstring& argument,
          const LaunchOptions& options = {});
  ~Process();
  Process(Process&& other) noexcept;
  Process(const Process&) = delete;
  Process& operator=(const Process&) = delete;
  Process& operator=(Process&&) = delete;

  DWORD id() const { return id_; }
  HANDLE handle() const { return process_; }

  // The exit code once the process has ended within the timeout; nothing while it still runs.
  std::optional<DWORD> wait_for_exit(std::chrono::milliseconds timeout) const;
  bool running() const;
  void terminate();

 private:
  HANDLE process_ = nullptr;
  DWORD id_ = 0;
};

}  // namespace hardening
