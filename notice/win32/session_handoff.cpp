#include "session_handoff.hpp"

#include <windows.h>
// After windows.h, which they need.
#include <userenv.h>
#include <wtsapi32.h>

#include <exception>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "failure.hpp"
#include "handoff_plan.hpp"
#include "system_function.hpp"
#include "system_queries.hpp"
#include "window_station.hpp"

namespace notice::win32 {
namespace {

// Set in the environment of every notice handed on, so that it never hands on again.
constexpr wchar_t kHandedOnVariable[] = L"ORVANE_NOTICE_HANDED_ON";

// Reached only where nobody sees the notice: advapi32 brings a cryptographic provider when
// imported, and the others are not loaded by a notice on a user's desktop. Each member bears the
// name of the function it calls.
#define NOTICE_SYSTEM_FUNCTION(dll, name) \
  decltype(&::name) name = system_function<decltype(&::name)>(dll, #name)
struct SessionCalls {
  NOTICE_SYSTEM_FUNCTION(L"advapi32.dll", OpenProcessToken);
  NOTICE_SYSTEM_FUNCTION(L"advapi32.dll", GetTokenInformation);
  NOTICE_SYSTEM_FUNCTION(L"advapi32.dll", LookupPrivilegeValueW);
  NOTICE_SYSTEM_FUNCTION(L"advapi32.dll", AdjustTokenPrivileges);
  NOTICE_SYSTEM_FUNCTION(L"advapi32.dll", IsWellKnownSid);
  NOTICE_SYSTEM_FUNCTION(L"advapi32.dll", CreateProcessAsUserW);
  NOTICE_SYSTEM_FUNCTION(L"wtsapi32.dll", WTSEnumerateSessionsW);
  NOTICE_SYSTEM_FUNCTION(L"wtsapi32.dll", WTSQuerySessionInformationW);
  NOTICE_SYSTEM_FUNCTION(L"wtsapi32.dll", WTSQueryUserToken);
  NOTICE_SYSTEM_FUNCTION(L"wtsapi32.dll", WTSFreeMemory);
  NOTICE_SYSTEM_FUNCTION(L"userenv.dll", CreateEnvironmentBlock);
  NOTICE_SYSTEM_FUNCTION(L"userenv.dll", DestroyEnvironmentBlock);

  bool complete() const noexcept {
    return OpenProcessToken && GetTokenInformation && LookupPrivilegeValueW &&
           AdjustTokenPrivileges && IsWellKnownSid && CreateProcessAsUserW &&
           WTSEnumerateSessionsW && WTSQuerySessionInformationW && WTSQueryUserToken &&
           WTSFreeMemory && CreateEnvironmentBlock && DestroyEnvironmentBlock;
  }
};
#undef NOTICE_SYSTEM_FUNCTION

class Handle {
 public:
  explicit Handle(HANDLE handle = nullptr) noexcept : handle_(handle) {}
  ~Handle() {
    if (handle_ != nullptr && handle_ != INVALID_HANDLE_VALUE) {
      CloseHandle(handle_);
    }
  }
  Handle(Handle&& other) noexcept : handle_(std::exchange(other.handle_, nullptr)) {}
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  Handle& operator=(Handle&&) = delete;
  HANDLE get() const noexcept { return handle_; }
  HANDLE* put() noexcept { return &handle_; }

 private:
  HANDLE handle_;
};

std::uint32_t own_session() noexcept {
  DWORD session = 0;
  // Unknown counts as a user's session: the notice goes on as it always has.
  return ProcessIdToSessionId(GetCurrentProcessId(), &session) ? session : kNoConsoleSession;
}

bool handed_on() noexcept { return GetEnvironmentVariableW(kHandedOnVariable, nullptr, 0) != 0; }

std::vector<BYTE> token_information(const SessionCalls& calls, HANDLE token,
                                    TOKEN_INFORMATION_CLASS kind) {
  DWORD size = 0;
  calls.GetTokenInformation(token, kind, nullptr, 0, &size);
  std::vector<BYTE> information(size);
  if (size == 0 || !calls.GetTokenInformation(token, kind, information.data(), size, &size)) {
    information.clear();
  }
  return information;
}

// SYSTEM, or a process holding SeTcbPrivilege, which is then enabled: WTSQueryUserToken needs it.
bool may_act_for_sessions(const SessionCalls& calls) {
  Handle token;
  if (!calls.OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY | TOKEN_ADJUST_PRIVILEGES,
                              token.put())) {
    return false;
  }
  const std::vector<BYTE> user = token_information(calls, token.get(), TokenUser);
  const bool system =
      !user.empty() &&
      calls.IsWellKnownSid(reinterpret_cast<const TOKEN_USER*>(user.data())->User.Sid,
                           WinLocalSystemSid);
  LUID tcb{};
  if (!calls.LookupPrivilegeValueW(nullptr, SE_TCB_NAME, &tcb)) {
    return system;
  }
  const std::vector<BYTE> held = token_information(calls, token.get(), TokenPrivileges);
  bool holds_tcb = false;
  if (!held.empty()) {
    const auto* privileges = reinterpret_cast<const TOKEN_PRIVILEGES*>(held.data());
    for (DWORD i = 0; i < privileges->PrivilegeCount; ++i) {
      const LUID& luid = privileges->Privileges[i].Luid;
      holds_tcb = holds_tcb || (luid.LowPart == tcb.LowPart && luid.HighPart == tcb.HighPart);
    }
  }
  if (holds_tcb) {
    TOKEN_PRIVILEGES enable{1, {{tcb, SE_PRIVILEGE_ENABLED}}};
    calls.AdjustTokenPrivileges(token.get(), FALSE, &enable, 0, nullptr, nullptr);
  }
  return system || holds_tcb;
}

std::vector<ListedSession> listed_sessions(const SessionCalls& calls) {
  std::vector<ListedSession> listed;
  WTS_SESSION_INFOW* sessions = nullptr;
  DWORD count = 0;
  if (!calls.WTSEnumerateSessionsW(WTS_CURRENT_SERVER_HANDLE, 0, 1, &sessions, &count)) {
    return listed;
  }
  for (DWORD i = 0; i < count; ++i) {
    wchar_t* user = nullptr;
    DWORD bytes = 0;
    const bool has_user =
        calls.WTSQuerySessionInformationW(WTS_CURRENT_SERVER_HANDLE, sessions[i].SessionId,
                                          WTSUserName, &user, &bytes) &&
        user != nullptr && user[0] != L'\0';
    if (user != nullptr) {
      calls.WTSFreeMemory(user);
    }
    listed.push_back({sessions[i].SessionId, sessions[i].State == WTSActive, has_user});
  }
  calls.WTSFreeMemory(sessions);
  return listed;
}

// The user's own environment, with the mark that stops a second hand-off.
std::vector<wchar_t> environment_of(const SessionCalls& calls, HANDLE user_token) {
  std::vector<wchar_t> environment;
  void* block = nullptr;
  if (calls.CreateEnvironmentBlock(&block, user_token, FALSE) && block != nullptr) {
    // Strings, each with its terminator, then an empty one.
    const auto* text = static_cast<const wchar_t*>(block);
    const wchar_t* end = text;
    while (*end != L'\0') {
      end += lstrlenW(end) + 1;
    }
    environment.assign(text, end);
    calls.DestroyEnvironmentBlock(block);
  }
  const std::wstring mark = std::wstring(kHandedOnVariable) + L"=1";
  environment.insert(environment.end(), mark.begin(), mark.end());
  environment.insert(environment.end(), {L'\0', L'\0'});
  return environment;
}

// The same program, by its full path, as the session's user on the desktop that user sees. Out of
// the caller's job where the job allows it, so that an agent that gives up and ends its job does
// not take the notice away from the user.
Handle start_in_session(const SessionCalls& calls, std::uint32_t session,
                        const std::wstring& program, const std::wstring& command_line) {
  Handle user_token;
  if (!calls.WTSQueryUserToken(session, user_token.put())) {
    return Handle();
  }
  std::vector<wchar_t> environment = environment_of(calls, user_token.get());
  wchar_t desktop[] = L"winsta0\\default";
  for (const DWORD breakaway : {static_cast<DWORD>(CREATE_BREAKAWAY_FROM_JOB), DWORD{0}}) {
    std::wstring line = command_line;
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.lpDesktop = desktop;
    PROCESS_INFORMATION started{};
    if (calls.CreateProcessAsUserW(user_token.get(), program.c_str(), line.data(), nullptr, nullptr,
                                   FALSE, CREATE_UNICODE_ENVIRONMENT | breakaway,
                                   environment.data(), nullptr, &startup, &started)) {
      CloseHandle(started.hThread);
      return Handle(started.hProcess);
    }
    if (GetLastError() != ERROR_ACCESS_DENIED) {
      break;
    }
  }
  return Handle();
}

// Allocates, so a failure here ends the program as any other does.
[[noreturn]] void end_unseen(std::u16string_view reason) {
  std::wstring text = L"notice: nobody can see this window station or session, and ";
  text.append(reason.begin(), reason.end());
  text += L"; exit code 3";
  OutputDebugStringW(text.c_str());
  ExitProcess(kUnseenExitCode);
}

// Starts the notice in every signed-in user's session, waits for all of them and ends.
[[noreturn]] void hand_on(const SessionCalls& calls, const UnseenStart& start,
                          const std::u16string& argument) {
  const std::u16string path = module_path();
  const std::wstring program(path.begin(), path.end());
  const std::u16string line = handed_on_command_line(path, argument);
  const std::wstring command_line(line.begin(), line.end());
  std::vector<Handle> notices;
  for (const std::uint32_t session :
       sessions_to_notify(listed_sessions(calls), WTSGetActiveConsoleSessionId())) {
    if (Handle notice = start_in_session(calls, session, program, command_line);
        notice.get() != nullptr) {
      notices.push_back(std::move(notice));
    }
  }
  if (notices.empty()) {
    end_unseen(unseen_reason(start));
  }
  // One at a time: WaitForMultipleObjects takes at most 64, and a shared host may have more.
  for (const Handle& notice : notices) {
    WaitForSingleObject(notice.get(), INFINITE);
  }
  ExitProcess(exit_code_after_handing_on(notices.size()));
}

}  // namespace

void hand_on_if_unseen() noexcept {
  if (seen_where_started(station_visible(), own_session())) {
    return;
  }
  try {
    const std::u16string argument = command_text();
    UnseenStart start{.argument_empty = argument.empty(),
                      .handed_on = handed_on(),
                      .may_act_for_sessions = false};
    // The session DLLs are loaded and the token read only where the answer can matter.
    std::optional<SessionCalls> calls;
    if (!start.argument_empty && !start.handed_on) {
      calls.emplace();
      if (!calls->complete()) {
        end_unseen(u"the session functions are missing from this system");
      }
      start.may_act_for_sessions = may_act_for_sessions(*calls);
    }
    switch (decide_unseen_start(start)) {
      case UnseenOutcome::end_quietly:
        ExitProcess(kShownExitCode);
      case UnseenOutcome::end_unseen:
        end_unseen(unseen_reason(start));
      case UnseenOutcome::hand_on:
        hand_on(*calls, start, argument);
    }
  } catch (const std::exception& failure) {
    end_after_failure(failure.what());
  } catch (...) {
    end_after_failure("unknown exception");
  }
  end_after_failure("no outcome for an unseen start");
}

}  // namespace notice::win32
