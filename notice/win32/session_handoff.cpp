#include "session_handoff.hpp"

#include <windows.h>
// After windows.h, which they need.
#include <aclapi.h>
#include <userenv.h>
#include <wtsapi32.h>

#include <exception>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "command_line.hpp"
#include "failure.hpp"
#include "handoff_plan.hpp"
#include "pixel_geometry.hpp"
#include "system_function.hpp"
#include "system_queries.hpp"
#include "window_station.hpp"

namespace notice::win32 {
namespace {

// Set in the environment of every notice handed on, so that it never hands on again.
constexpr wchar_t kHandedOnVariable[] = L"ORVANE_NOTICE_HANDED_ON";
constexpr char16_t kHandedOnMark[] = u"ORVANE_NOTICE_HANDED_ON=1";
// Whom the notice is for, where the caller says: a list of sessions and users.
constexpr wchar_t kNoticeToVariable[] = L"ORVANE_NOTICE_TO";

// Reached only where nobody sees the notice: advapi32 brings a cryptographic provider when
// imported, and the others are not loaded by a notice on a user's desktop.
struct SessionCalls {
  NOTICE_SYSTEM_FUNCTION(L"advapi32.dll", OpenProcessToken);
  NOTICE_SYSTEM_FUNCTION(L"advapi32.dll", GetTokenInformation);
  NOTICE_SYSTEM_FUNCTION(L"advapi32.dll", LookupPrivilegeValueW);
  NOTICE_SYSTEM_FUNCTION(L"advapi32.dll", AdjustTokenPrivileges);
  NOTICE_SYSTEM_FUNCTION(L"advapi32.dll", IsWellKnownSid);
  NOTICE_SYSTEM_FUNCTION(L"advapi32.dll", GetNamedSecurityInfoW);
  NOTICE_SYSTEM_FUNCTION(L"advapi32.dll", GetAce);
  NOTICE_SYSTEM_FUNCTION(L"advapi32.dll", CreateProcessAsUserW);
  NOTICE_SYSTEM_FUNCTION(L"wtsapi32.dll", WTSEnumerateSessionsW);
  NOTICE_SYSTEM_FUNCTION(L"wtsapi32.dll", WTSQuerySessionInformationW);
  NOTICE_SYSTEM_FUNCTION(L"wtsapi32.dll", WTSQueryUserToken);
  NOTICE_SYSTEM_FUNCTION(L"wtsapi32.dll", WTSFreeMemory);
  NOTICE_SYSTEM_FUNCTION(L"userenv.dll", CreateEnvironmentBlock);
  NOTICE_SYSTEM_FUNCTION(L"userenv.dll", DestroyEnvironmentBlock);

  bool complete() const noexcept {
    return OpenProcessToken && GetTokenInformation && LookupPrivilegeValueW &&
           AdjustTokenPrivileges && IsWellKnownSid && GetNamedSecurityInfoW && GetAce &&
           CreateProcessAsUserW && WTSEnumerateSessionsW && WTSQuerySessionInformationW &&
           WTSQueryUserToken && WTSFreeMemory && CreateEnvironmentBlock && DestroyEnvironmentBlock;
  }
};

// For a notice on a user's desktop that was told whom it is for.
struct WtsCalls {
  NOTICE_SYSTEM_FUNCTION(L"wtsapi32.dll", WTSQuerySessionInformationW);
  NOTICE_SYSTEM_FUNCTION(L"wtsapi32.dll", WTSFreeMemory);
};

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

std::wstring wide(std::u16string_view text) { return std::wstring(text.begin(), text.end()); }

// One line to a standard stream the first process was given (a fleet tool capturing it, or `>` in a
// script): UTF-8 into a file or pipe, as text into a console.
void write_line(DWORD stream, const std::wstring& line) {
  const HANDLE handle = GetStdHandle(stream);
  if (handle == nullptr || handle == INVALID_HANDLE_VALUE) {
    return;
  }
  const std::wstring text = line + L"\r\n";
  const int length = static_cast<int>(text.size());
  DWORD mode = 0;
  DWORD written = 0;
  if (GetConsoleMode(handle, &mode)) {
    WriteConsoleW(handle, text.data(), static_cast<DWORD>(length), &written, nullptr);
    return;
  }
  std::string bytes(
      WideCharToMultiByte(CP_UTF8, 0, text.data(), length, nullptr, 0, nullptr, nullptr), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), length, bytes.data(), static_cast<int>(bytes.size()),
                      nullptr, nullptr);
  WriteFile(handle, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

// A failure: to the debugger's output and to standard error.
void report(const std::wstring& line) {
  OutputDebugStringW(line.c_str());
  write_line(STD_ERROR_HANDLE, line);
}

std::wstring windows_error(DWORD error) { return L"Windows error " + std::to_wstring(error); }

// Whom the caller named in ORVANE_NOTICE_TO, with the value as given; nothing when it is unset or
// empty. A value that names nobody clearly ends the program before anything is shown or started.
struct NoticeTo {
  std::u16string value;
  Recipients recipients;
};

std::optional<NoticeTo> notice_to_asked() {
  const DWORD size = GetEnvironmentVariableW(kNoticeToVariable, nullptr, 0);
  if (size <= 1) {
    return std::nullopt;
  }
  std::wstring value(size, L'\0');
  value.resize(GetEnvironmentVariableW(kNoticeToVariable, value.data(), size));
  const std::u16string text(value.begin(), value.end());
  RecipientsRead read = read_recipients(text);
  if (!read.recipients) {
    report(L"notice: ORVANE_NOTICE_TO: " + wide(read.fault) + L"; nothing shown; exit code " +
           std::to_wstring(kBadRecipientsExitCode));
    ExitProcess(kBadRecipientsExitCode);
  }
  return NoticeTo{text, std::move(*read.recipients)};
}

// The session's user and domain, as a list item names them; empty where they cannot be read.
template <typename Calls>
SessionIdentity session_identity(const Calls& calls, std::uint32_t session) {
  SessionIdentity identity{session, u"", u""};
  if (!calls.WTSQuerySessionInformationW || !calls.WTSFreeMemory) {
    return identity;
  }
  for (const auto& [kind, text] :
       {std::pair{WTSUserName, &identity.user}, {WTSDomainName, &identity.domain}}) {
    wchar_t* value = nullptr;
    DWORD bytes = 0;
    if (calls.WTSQuerySessionInformationW(WTS_CURRENT_SERVER_HANDLE, session, kind, &value,
                                          &bytes) &&
        value != nullptr) {
      text->assign(value, value + lstrlenW(value));
    }
    if (value != nullptr) {
      calls.WTSFreeMemory(value);
    }
  }
  return identity;
}

[[noreturn]] void end_for_nobody_named(const NoticeTo& asked) {
  report(L"notice: ORVANE_NOTICE_TO=" + wide(asked.value) +
         L": no signed-in session matches; nothing shown");
  ExitProcess(kUnseenExitCode);
}

// Wine's ntdll names itself; Windows' never does.
bool under_wine() noexcept {
  const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
  return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

// Enables SeTcbPrivilege, which WTSQueryUserToken needs, where the token is LocalSystem's.
TokenFacts token_facts(const SessionCalls& calls) {
  TokenFacts facts{.local_system = false,
                   .without_accounts = under_wine(),
                   .tcb_adjusted = false,
                   .tcb_error = 0};
  Handle token;
  if (!calls.OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY | TOKEN_ADJUST_PRIVILEGES,
                              token.put())) {
    facts.tcb_error = GetLastError();
    return facts;
  }
  const std::vector<BYTE> user = token_information(calls, token.get(), TokenUser);
  facts.local_system =
      !user.empty() &&
      calls.IsWellKnownSid(reinterpret_cast<const TOKEN_USER*>(user.data())->User.Sid,
                           WinLocalSystemSid);
  if (!facts.local_system && !facts.without_accounts) {
    return facts;
  }
  LUID tcb{};
  if (!calls.LookupPrivilegeValueW(nullptr, SE_TCB_NAME, &tcb)) {
    facts.tcb_error = GetLastError();
    return facts;
  }
  TOKEN_PRIVILEGES enable{1, {{tcb, SE_PRIVILEGE_ENABLED}}};
  // Succeeds without the privilege too, saying so only through GetLastError().
  facts.tcb_adjusted =
      calls.AdjustTokenPrivileges(token.get(), FALSE, &enable, 0, nullptr, nullptr) != FALSE;
  facts.tcb_error = GetLastError();
  return facts;
}

std::vector<ListedSession> listed_sessions(const SessionCalls& calls) {
  std::vector<ListedSession> listed;
  WTS_SESSION_INFOW* sessions = nullptr;
  DWORD count = 0;
  if (!calls.WTSEnumerateSessionsW(WTS_CURRENT_SERVER_HANDLE, 0, 1, &sessions, &count)) {
    const DWORD error = GetLastError();
    report(L"notice: WTSEnumerateSessionsW failed, " + windows_error(error) +
           L"; trying the console's session");
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
    const WTS_CONNECTSTATE_CLASS state = sessions[i].State;
    listed.push_back({sessions[i].SessionId,
                      state == WTSActive         ? SessionState::active
                      : state == WTSDisconnected ? SessionState::disconnected
                                                 : SessionState::other,
                      has_user});
  }
  calls.WTSFreeMemory(sessions);
  return listed;
}

// The user's own environment, with the mark that stops a second hand-off; nothing when it cannot
// be built, as a notice started with almost no environment would find no profile or system folder.
std::optional<std::vector<wchar_t>> environment_of(const SessionCalls& calls, HANDLE user_token) {
  void* block = nullptr;
  if (!calls.CreateEnvironmentBlock(&block, user_token, FALSE) || block == nullptr) {
    return std::nullopt;
  }
  // Strings, each with its terminator, then an empty one.
  const auto* text = static_cast<const wchar_t*>(block);
  const wchar_t* end = text;
  while (*end != L'\0') {
    end += lstrlenW(end) + 1;
  }
  const std::u16string strings(text, end);
  calls.DestroyEnvironmentBlock(block);
  const std::u16string marked = with_variable(strings, kHandedOnMark);
  std::vector<wchar_t> environment(marked.begin(), marked.end());
  environment.push_back(L'\0');
  return environment;
}

// The same program, by its full path, as the session's user on the desktop that user sees, started
// as a program of the user's own would be: in the programs' folder (not the agent's, which it
// would keep from being deleted), at normal priority and with the system's error mode. Out of the
// caller's job where the job allows it, so that an agent that gives up and ends its job does not
// take the notice away from the user. A failure is reported and gives no process.
Handle start_in_session(const SessionCalls& calls, std::uint32_t session,
                        const std::wstring& program, const std::wstring& folder,
                        const std::wstring& command_line) {
  const auto failed = [session](const wchar_t* call) {
    const DWORD error = GetLastError();
    report(L"notice: session " + std::to_wstring(session) + L": " + call + L" failed, " +
           windows_error(error) + L"; no notice there");
    return Handle();
  };
  Handle user_token;
  if (!calls.WTSQueryUserToken(session, user_token.put())) {
    return failed(L"WTSQueryUserToken");
  }
  std::optional<std::vector<wchar_t>> environment = environment_of(calls, user_token.get());
  if (!environment) {
    return failed(L"CreateEnvironmentBlock");
  }
  wchar_t desktop[] = L"winsta0\\default";
  for (const DWORD breakaway : {static_cast<DWORD>(CREATE_BREAKAWAY_FROM_JOB), DWORD{0}}) {
    std::wstring line = command_line;
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.lpDesktop = desktop;
    PROCESS_INFORMATION started{};
    if (calls.CreateProcessAsUserW(user_token.get(), program.c_str(), line.data(), nullptr, nullptr,
                                   FALSE,
                                   CREATE_UNICODE_ENVIRONMENT | NORMAL_PRIORITY_CLASS |
                                       CREATE_DEFAULT_ERROR_MODE | breakaway,
                                   environment->data(), folder.c_str(), &startup, &started)) {
      CloseHandle(started.hThread);
      return Handle(started.hProcess);
    }
    if (GetLastError() != ERROR_ACCESS_DENIED) {
      break;
    }
  }
  return failed(L"CreateProcessAsUserW");
}

OrdinaryGroup ordinary_group(const SessionCalls& calls, PSID sid) {
  constexpr std::pair<WELL_KNOWN_SID_TYPE, OrdinaryGroup> kGroups[] = {
      {WinWorldSid, OrdinaryGroup::everyone},
      {WinAuthenticatedUserSid, OrdinaryGroup::authenticated_users},
      {WinBuiltinUsersSid, OrdinaryGroup::users},
      {WinInteractiveSid, OrdinaryGroup::interactive}};
  for (const auto& [known, group] : kGroups) {
    if (calls.IsWellKnownSid(sid, known)) {
      return group;
    }
  }
  return OrdinaryGroup::none;
}

// Why ordinary users may change the file or folder, read from its DACL's allow entries; nothing
// when they may not, or when a folder that may be missing is.
std::optional<std::u16string> why_users_may_change(const SessionCalls& calls,
                                                   const std::u16string& path,
                                                   bool may_be_missing) {
  PACL dacl = nullptr;
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  const DWORD error =
      calls.GetNamedSecurityInfoW(wide(path).c_str(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION,
                                  nullptr, nullptr, &dacl, nullptr, &descriptor);
  if (error != ERROR_SUCCESS) {
    if (may_be_missing && (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND)) {
      return std::nullopt;
    }
    const std::wstring why = L"its permissions cannot be read, " + windows_error(error);
    return std::u16string(why.begin(), why.end());
  }
  std::vector<AccessEntry> allowed;
  for (DWORD i = 0; dacl != nullptr && i < dacl->AceCount; ++i) {
    void* entry = nullptr;
    if (calls.GetAce(dacl, i, &entry)) {
      const auto* ace = static_cast<const ACCESS_ALLOWED_ACE*>(entry);
      // A conditional allow entry begins as a plain one does.
      if (ace->Header.AceType == ACCESS_ALLOWED_ACE_TYPE ||
          ace->Header.AceType == ACCESS_ALLOWED_CALLBACK_ACE_TYPE) {
        allowed.push_back({ordinary_group(calls, const_cast<DWORD*>(&ace->SidStart)), ace->Mask});
      }
    }
  }
  LocalFree(descriptor);
  return why_ordinary_users_may_change(dacl != nullptr, allowed);
}

// SYSTEM starts the program again by its path in every user's session: where ordinary users may
// change the program, its folder or ctrl\, one of them could have a program of theirs run, or a
// sound of theirs read, in every other user's session.
void refuse_a_folder_users_may_change(const SessionCalls& calls, const std::u16string& program) {
  const std::u16string folder = directory_of(program);
  for (const auto& [path, may_be_missing] :
       {std::pair{program, false}, {folder, false}, {join_path(folder, u"\\ctrl"), true}}) {
    if (const std::optional<std::u16string> why =
            why_users_may_change(calls, path, may_be_missing)) {
      report(L"notice: not handed on from " + wide(path) + L": " + wide(*why) +
             L"; install where only administrators may change the programs; exit code 4");
      ExitProcess(kRefusedFolderExitCode);
    }
  }
}

// Allocates, so a failure here ends the program as any other does.
[[noreturn]] void end_unseen(std::u16string_view reason, DWORD error = ERROR_SUCCESS) {
  std::wstring text = L"notice: nobody can see this window station or session, and ";
  text.append(reason.begin(), reason.end());
  if (error != ERROR_SUCCESS) {
    text += L" (" + windows_error(error) + L")";
  }
  report(text + L"; exit code 3");
  ExitProcess(kUnseenExitCode);
}

// Starts the notice in every signed-in user's session, waits for all of them and ends with what
// they ended with.
[[noreturn]] void hand_on(const SessionCalls& calls, const UnseenStart& start,
                          const std::u16string& argument, const std::optional<NoticeTo>& asked) {
  const std::u16string path = module_path();
  refuse_a_folder_users_may_change(calls, path);
  const std::wstring program = wide(path);
  const std::wstring folder = wide(directory_of(path));
  const std::wstring command_line = wide(handed_on_command_line(path, argument));
  std::vector<std::pair<std::uint32_t, Handle>> notices;
  const std::uint32_t console = WTSGetActiveConsoleSessionId();
  bool named = false;
  for (const std::uint32_t session : sessions_to_notify(listed_sessions(calls), console)) {
    const SessionIdentity identity = asked ? session_identity(calls, session) : SessionIdentity{};
    if (asked && !names_session(asked->recipients, identity, console)) {
      continue;
    }
    named = true;
    if (Handle notice = start_in_session(calls, session, program, folder, command_line);
        notice.get() != nullptr) {
      notices.emplace_back(session, std::move(notice));
      if (asked) {
        // The caller's log shows who got it.
        write_line(STD_OUTPUT_HANDLE, L"notice: " + wide(session_label(identity)) + L": started");
      }
    }
  }
  if (asked && !named) {
    end_for_nobody_named(*asked);
  }
  if (notices.empty()) {
    end_unseen(unseen_reason(start));
  }
  std::vector<std::uint32_t> exit_codes;
  // One at a time: WaitForMultipleObjects takes at most 64, and a shared host may have more.
  for (const auto& [session, notice] : notices) {
    DWORD code = kFailedExitCode;
    const std::wstring where = L"notice: session " + std::to_wstring(session) + L": ";
    if (WaitForSingleObject(notice.get(), INFINITE) != WAIT_OBJECT_0 ||
        !GetExitCodeProcess(notice.get(), &code)) {
      const DWORD error = GetLastError();
      code = kFailedExitCode;
      report(where + L"the notice's end cannot be read, " + windows_error(error));
    } else if (code != 0) {
      report(where + L"the notice ended with exit code " + std::to_wstring(code));
    }
    exit_codes.push_back(code);
  }
  ExitProcess(static_cast<UINT>(exit_code_after_handing_on(exit_codes)));
}

}  // namespace

void hand_on_if_unseen() noexcept {
  try {
    // A notice handed on does not read it again: the first process chose, and the user's own
    // environment may hold anything.
    const std::optional<NoticeTo> asked = handed_on() ? std::nullopt : notice_to_asked();
    const std::u16string argument = command_text();
    if (const std::uint32_t session = own_session();
        seen_where_started(station_visible(), session)) {
      if (asked && !argument.empty()) {
        const WtsCalls calls;
        if (!names_session(asked->recipients, session_identity(calls, session),
                           WTSGetActiveConsoleSessionId())) {
          end_for_nobody_named(*asked);
        }
      }
      return;
    }
    UnseenStart start{.argument_empty = argument.empty(),
                      .handed_on = handed_on(),
                      .may_act_for_sessions = false};
    // The session DLLs are loaded and the token read only where the answer can matter.
    std::optional<SessionCalls> calls;
    DWORD token_error = ERROR_SUCCESS;
    if (!start.argument_empty && !start.handed_on) {
      calls.emplace();
      if (!calls->complete()) {
        end_unseen(u"the session functions are missing from this system");
      }
      const TokenFacts token = token_facts(*calls);
      start.may_act_for_sessions = may_act_for_sessions(token);
      token_error = token.tcb_error;
    }
    switch (decide_unseen_start(start)) {
      case UnseenOutcome::end_quietly:
        ExitProcess(kShownExitCode);
      case UnseenOutcome::end_unseen:
        end_unseen(unseen_reason(start), token_error);
      case UnseenOutcome::hand_on:
        hand_on(*calls, start, argument, asked);
    }
  } catch (const std::exception& failure) {
    end_after_failure(failure.what());
  } catch (...) {
    end_after_failure("unknown exception");
  }
  end_after_failure("no outcome for an unseen start");
}

}  // namespace notice::win32
