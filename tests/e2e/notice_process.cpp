#include "notice_process.hpp"

#include <winternl.h>

#include <cstdio>
#include <stdexcept>
#include <tuple>
#include <utility>
#include <vector>

#include "desktop_input.hpp"
#include "program_paths.hpp"

namespace e2e {
namespace {

// The part of RTL_USER_PROCESS_INFORMATION the test reads; room to spare for the image information
// the system writes after it.
struct UserProcessInformation {
  ULONG length;
  HANDLE process;
  HANDLE thread;
  CLIENT_ID client_id;
  BYTE image_information[256];
};

using CreateProcessParametersEx = NTSTATUS(NTAPI*)(RTL_USER_PROCESS_PARAMETERS**, UNICODE_STRING*,
                                                   UNICODE_STRING*, UNICODE_STRING*,
                                                   UNICODE_STRING*, PVOID, UNICODE_STRING*,
                                                   UNICODE_STRING*, UNICODE_STRING*,
                                                   UNICODE_STRING*, ULONG);
using DestroyProcessParameters = NTSTATUS(NTAPI*)(RTL_USER_PROCESS_PARAMETERS*);
using CreateUserProcess = NTSTATUS(NTAPI*)(UNICODE_STRING*, ULONG, RTL_USER_PROCESS_PARAMETERS*,
                                           PVOID, PVOID, HANDLE, BOOLEAN, HANDLE, HANDLE,
                                           UserProcessInformation*);
constexpr ULONG kParametersNormalized = 1;

UNICODE_STRING counted(std::wstring& text) {
  UNICODE_STRING string;
  string.Buffer = text.data();
  string.Length = static_cast<USHORT>(text.size() * sizeof(wchar_t));
  string.MaximumLength = string.Length;
  return string;
}

template <typename Function>
Function ntdll_function(const char* name) {
  const FARPROC address = GetProcAddress(GetModuleHandleW(L"ntdll.dll"), name);
  if (address == nullptr) {
    throw std::runtime_error(std::string("ntdll has no ") + name);
  }
  return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(address));
}

// The native start: the image by its NT path, no MAX_PATH buffer on the way.
std::pair<HANDLE, DWORD> create_native(const std::wstring& program, std::wstring command_line,
                                       std::wstring directory) {
  const auto create_parameters =
      ntdll_function<CreateProcessParametersEx>("RtlCreateProcessParametersEx");
  const auto destroy_parameters =
      ntdll_function<DestroyProcessParameters>("RtlDestroyProcessParameters");
  const auto create_process = ntdll_function<CreateUserProcess>("RtlCreateUserProcess");

  std::wstring image = program;
  std::wstring nt_image = L"\\??\\" + program;
  UNICODE_STRING image_name = counted(image);
  UNICODE_STRING nt_name = counted(nt_image);
  UNICODE_STRING line = counted(command_line);
  UNICODE_STRING current = counted(directory);
  RTL_USER_PROCESS_PARAMETERS* parameters = nullptr;
  // No environment given: the child gets a copy of the test's.
  NTSTATUS status = create_parameters(&parameters, &image_name, nullptr, &current, &line, nullptr,
                                      nullptr, nullptr, nullptr, nullptr, kParametersNormalized);
  if (status != 0) {
    throw std::runtime_error("RtlCreateProcessParametersEx failed, status " +
                             std::to_string(static_cast<unsigned long>(status)));
  }
  UserProcessInformation information{};
  information.length = sizeof information;
  status = create_process(&nt_name, OBJ_CASE_INSENSITIVE, parameters, nullptr, nullptr, nullptr,
                          FALSE, nullptr, nullptr, &information);
  destroy_parameters(parameters);
  if (status != 0) {
    throw std::runtime_error("cannot start " + narrow(program) + ", status " +
                             std::to_string(static_cast<unsigned long>(status)));
  }
  // The native call leaves the first thread suspended.
  ResumeThread(information.thread);
  CloseHandle(information.thread);
  return {information.process,
          static_cast<DWORD>(reinterpret_cast<ULONG_PTR>(information.client_id.UniqueProcess))};
}

std::wstring current_directory() {
  std::wstring directory(GetCurrentDirectoryW(0, nullptr), L'\0');
  directory.resize(GetCurrentDirectoryW(static_cast<DWORD>(directory.size()), directory.data()));
  return directory;
}

}  // namespace

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
    if (CreateProcessW(program, command_line, nullptr, nullptr,
                       (startup->dwFlags & STARTF_USESTDHANDLES) != 0, flags, nullptr, directory,
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

NoticeProcess::NoticeProcess(const std::wstring& program, const std::wstring& argument,
                             const LaunchOptions& options)
    : command_line_(exact_command_line(program, argument)) {
  if (options.someone_present && argument.size() > 1 && argument[1] == L'T') {
    someone_at_the_keyboard();
  }
  // CreateProcessW may write into the command line, so it gets a copy it owns.
  std::vector<wchar_t> line(command_line_.begin(), command_line_.end());
  line.push_back(L'\0');
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  std::wstring desktop = options.desktop;
  startup.lpDesktop = desktop.empty() ? nullptr : desktop.data();
  startup.dwFlags =
      options.error_output != nullptr || options.output != nullptr ? STARTF_USESTDHANDLES : 0;
  startup.hStdError = options.error_output;
  startup.hStdOutput = options.output;
  PROCESS_INFORMATION info{};
  const wchar_t* directory =
      options.current_directory.empty() ? nullptr : options.current_directory.c_str();
  const DWORD flags = options.job != nullptr ? CREATE_SUSPENDED : 0;
  if (create_process(program.c_str(), line.data(), flags, directory, &startup, &info) != 0) {
    if (options.job != nullptr) {
      AssignProcessToJobObject(options.job, info.hProcess);
      ResumeThread(info.hThread);
    }
    CloseHandle(info.hThread);
    process_ = info.hProcess;
    id_ = info.dwProcessId;
    return;
  }
  const DWORD error = GetLastError();
  if (program.size() < MAX_PATH) {
    throw std::runtime_error("cannot start " + narrow(program) + ", error " +
                             std::to_string(error));
  }
  std::tie(process_, id_) =
      create_native(program, command_line_,
                    directory != nullptr ? options.current_directory : current_directory());
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
