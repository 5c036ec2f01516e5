#include "notice_process.hpp"

#include <cstdio>
#include <stdexcept>
#include <utility>
#include <vector>

#include "program_paths.hpp"

namespace e2e {

std::wstring exact_command_line(const std::wstring& program, const std::wstring& argument) {
  std::wstring line = L"\"" + program + L"\"";
  if (!argument.empty()) {
    line += L" " + argument;
  }
  return line;
}

BOOL create_process(const wchar_t* program, wchar_t* command_line, DWORD flags,
                    const wchar_t* directory, STARTUPINFOW* startup, PROCESS_INFORMATION* info) {
  for (int attempt = 1;; ++attempt) {
    if (CreateProcessW(program, command_line, nullptr, nullptr, FALSE, flags, nullptr, directory,
                       startup, info) != 0) {
      return TRUE;
    }
    const DWORD error = GetLastError();
    if (error != ERROR_INTERNAL_ERROR || attempt == 3) {
      SetLastError(error);
      return FALSE;
    }
    std::fprintf(stderr, "note: CreateProcessW failed with error %lu, trying again\n", error);
    Sleep(100);
  }
}

NoticeProcess::NoticeProcess(const std::wstring& program, const std::wstring& argument)
    : command_line_(exact_command_line(program, argument)) {
  // CreateProcessW may write into the command line, so it gets a copy it owns.
  std::vector<wchar_t> line(command_line_.begin(), command_line_.end());
  line.push_back(L'\0');
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info{};
  if (create_process(program.c_str(), line.data(), 0, nullptr, &startup, &info) == 0) {
    throw std::runtime_error("cannot start " + narrow(program) + ", error " +
                             std::to_string(GetLastError()));
  }
  CloseHandle(info.hThread);
  process_ = info.hProcess;
  id_ = info.dwProcessId;
}

NoticeProcess::~NoticeProcess() {
  if (process_ != nullptr) {
    terminate();
    CloseHandle(process_);
  }
}

NoticeProcess::NoticeProcess(NoticeProcess&& other) noexcept
    : command_line_(std::move(other.command_line_)),
      process_(std::exchange(other.process_, nullptr)),
      id_(std::exchange(other.id_, 0)) {}

std::optional<DWORD> NoticeProcess::wait_for_exit(std::chrono::milliseconds timeout) const {
  if (WaitForSingleObject(process_, static_cast<DWORD>(timeout.count())) != WAIT_OBJECT_0) {
    return std::nullopt;
  }
  DWORD code = 0;
  GetExitCodeProcess(process_, &code);
  return code;
}

bool NoticeProcess::running() const { return WaitForSingleObject(process_, 0) == WAIT_TIMEOUT; }

void NoticeProcess::terminate() {
  if (running()) {
    TerminateProcess(process_, 1);
    WaitForSingleObject(process_, 5000);
  }
}

}  // namespace e2e
