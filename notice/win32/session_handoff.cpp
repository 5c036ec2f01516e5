#include "session_handoff.hpp"

#include <windows.h>
// After windows.h, which they need.
#include <aclapi.h>
#include <sddl.h>
#include <userenv.h>
#include <wtsapi32.h>

#include <exception>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "command_line.hpp"
#include "failure.hpp"
#include "handles.hpp"
#include "handoff_plan.hpp"
#include "pixel_geometry.hpp"
#include "session_calls.hpp"
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
// imported, and userenv is not loaded by a notice on a user's desktop.
struct HandOffCalls {
  NOTICE_SYSTEM_FUNCTION(L"advapi32.dll", OpenProcessToken);
  NOTICE_SYSTEM_FUNCTION(L"advapi32.dll", GetTokenInformation);
  NOTICE_SYSTEM_FUNCTION(L"advapi32.dll", LookupPrivilegeValueW);
  NOTICE_SYSTEM_FUNCTION(L"advapi32.dll", AdjustTokenPrivileges);
  NOTICE_SYSTEM_FUNCTION(L"advapi32.dll", IsWellKnownSid);
  NOTICE_SYSTEM_FUNCTION(L"advapi32.dll", GetNamedSecurityInfoW);
  NOTICE_SYSTEM_FUNCTION(L"advapi32.dll", GetAce);
  NOTICE_SYSTEM_FUNCTION(L"advapi32.dll", ConvertSidToStringSidW);
  NOTICE_SYSTEM_FUNCTION(L"advapi32.dll", ConvertStringSidToSidW);
  NOTICE_SYSTEM_FUNCTION(L"advapi32.dll", LookupAccountSidW);
  NOTICE_SYSTEM_FUNCTION(L"advapi32.dll", CreateProcessAsUserW);
  NOTICE_SYSTEM_FUNCTION(L"userenv.dll", CreateEnvironmentBlock);
  NOTICE_SYSTEM_FUNCTION(L"userenv.dll", DestroyEnvironmentBlock);
  const SessionCalls& wts = session_calls();

  bool complete() const noexcept {
    return OpenProcessToken && GetTokenInformation && LookupPrivilegeValueW &&
           AdjustTokenPrivileges && IsWellKnownSid && GetNamedSecurityInfoW && GetAce &&
           ConvertSidToStringSidW && ConvertStringSidToSidW && LookupAccountSidW &&
           CreateProcessAsUserW && wts.WTSEnumerateSessionsW && wts.WTSQuerySessionInformationW &&
           wts.WTSQueryUserToken && wts.WTSFreeMemory && CreateEnvironmentBlock &&
           DestroyEnvironmentBlock;
  }
};

std::uint32_t own_session() noexcept {
  DWORD session = 0;
  // Unknown counts as a user's session: the notice goes on as it always has.
  return ProcessIdToSessionId(GetCurrentProcessId(), &session) ? session : kNoConsoleSession;
}

bool handed_on() noexcept { return GetEnvironmentVariableW(kHandedOnVariable, nullptr, 0) != 0; }

std::vector<BYTE> token_information(const HandOffCalls& calls, HANDLE token,
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

// One line to the debugger's output and, when the first process was given one, to standard
// error, where a fleet tool captures it.
void report(const std::wstring& line) noexcept {
  OutputDebugStringW(line.c_str());
  write_standard_error(line);
}

// The exception being handled, for its report.
const char* current_failure() noexcept {
  try {
    throw;
  } catch (const std::exception& failure) {
    return failure.what();
  } catch (...) {
    return "unknown exception";
  }
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
SessionIdentity session_identity(const SessionCalls& calls, std::uint32_t session) {
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
TokenFacts token_facts(const HandOffCalls& calls) {
  TokenFacts facts{.local_system = false,
                   .without_accounts = under_wine(),
                   .tcb_adjusted = false,
                   .tcb_error = 0};
  KernelHandle token;
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

std::vector<ListedSession> listed_sessions(const HandOffCalls& calls) {
  std::vector<ListedSession> listed;
  WTS_SESSION_INFOW* sessions = nullptr;
  DWORD count = 0;
  if (!calls.wts.WTSEnumerateSessionsW(WTS_CURRENT_SERVER_HANDLE, 0, 1, &sessions, &count)) {
    const DWORD error = GetLastError();
    report(L"notice: WTSEnumerateSessionsW failed, " + windows_error(error) +
           L"; trying the console's session");
    return listed;
  }
  for (DWORD i = 0; i < count; ++i) {
    wchar_t* user = nullptr;
    DWORD bytes = 0;
    const bool has_user =
        calls.wts.WTSQuerySessionInformationW(WTS_CURRENT_SERVER_HANDLE, sessions[i].SessionId,
                                              WTSUserName, &user, &bytes) &&
        user != nullptr && user[0] != L'\0';
    if (user != nullptr) {
      calls.wts.WTSFreeMemory(user);
    }
    const WTS_CONNECTSTATE_CLASS state = sessions[i].State;
    listed.push_back({sessions[i].SessionId,
                      state == WTSActive         ? SessionState::active
                      : state == WTSDisconnected ? SessionState::disconnected
                                                 : SessionState::other,
                      has_user});
  }
  calls.wts.WTSFreeMemory(sessions);
  return listed;
}

// The user's own environment, with the mark that stops a second hand-off; nothing when it cannot
// be built, as a notice started with almost no environment would find no profile or system folder.
std::optional<std::vector<wchar_t>> environment_of(const HandOffCalls& calls, HANDLE user_token) {
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
KernelHandle start_in_session(const HandOffCalls& calls, std::uint32_t session,
                              const std::wstring& program, const std::wstring& folder,
                              const std::wstring& command_line) {
  const auto failed = [session](const wchar_t* call) {
    const DWORD error = GetLastError();
    report(L"notice: session " + std::to_wstring(session) + L": " + call + L" failed, " +
           windows_error(error) + L"; no notice there");
    return KernelHandle();
  };
  KernelHandle user_token;
  if (!calls.wts.WTSQueryUserToken(session, user_token.put())) {
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
      return KernelHandle(started.hProcess);
    }
    if (GetLastError() != ERROR_ACCESS_DENIED) {
      break;
    }
  }
  return failed(L"CreateProcessAsUserW");
}

std::u16string sid_text(const HandOffCalls& calls, PSID sid) {
  wchar_t* text = nullptr;
  if (sid == nullptr || !calls.ConvertSidToStringSidW(sid, &text)) {
    return {};
  }
  const LocalMemory held(text);
  return std::u16string(text, text + lstrlenW(text));
}

// "DOMAIN\name", "name", or nothing where the SID has no name here.
std::u16string account_name(const HandOffCalls& calls, std::u16string_view sid) {
  PSID binary = nullptr;
  if (!calls.ConvertStringSidToSidW(wide(sid).c_str(), &binary)) {
    return {};
  }
  const LocalMemory held(binary);
  wchar_t name[256];
  wchar_t domain[256];
  DWORD name_size = 256;
  DWORD domain_size = 256;
  SID_NAME_USE use{};
  if (!calls.LookupAccountSidW(nullptr, binary, name, &name_size, domain, &domain_size, &use)) {
    return {};
  }
  std::u16string account(domain, domain + lstrlenW(domain));
  account.append(account.empty() ? u"" : u"\\").append(name, name + lstrlenW(name));
  return account;
}

// The account the first process runs as, which the hand-off trusts; nothing where it cannot be
// read, and then only the well-known accounts are trusted.
std::u16string own_account(const HandOffCalls& calls) {
  KernelHandle token;
  if (!calls.OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, token.put())) {
    return {};
  }
  const std::vector<BYTE> user = token_information(calls, token.get(), TokenUser);
  return user.empty() ? std::u16string()
                      : sid_text(calls, reinterpret_cast<const TOKEN_USER*>(user.data())->User.Sid);
}

// Why an account the hand-off does not trust may change the file or folder, from its owner and its
// DACL's allow entries; nothing when none may, or when a place that may be missing is.
std::optional<std::u16string> why_untrusted_may_change(const HandOffCalls& calls,
                                                       const std::u16string& path, PlaceKind kind,
                                                       const std::u16string& own_sid,
                                                       bool may_be_missing = false) {
  PSID owner = nullptr;
  PACL dacl = nullptr;
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  const DWORD error = calls.GetNamedSecurityInfoW(
      wide(path).c_str(), SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION,
      &owner, nullptr, &dacl, nullptr, &descriptor);
  if (error != ERROR_SUCCESS) {
    if (may_be_missing && (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND)) {
      return std::nullopt;
    }
    const std::wstring why = L"its owner and permissions cannot be read, " + windows_error(error);
    return std::u16string(why.begin(), why.end());
  }
  const LocalMemory held(descriptor);
  Protection place{sid_text(calls, owner), dacl != nullptr, {}};
  for (DWORD i = 0; dacl != nullptr && i < dacl->AceCount; ++i) {
    void* entry = nullptr;
    if (calls.GetAce(dacl, i, &entry)) {
      const auto* ace = static_cast<const ACCESS_ALLOWED_ACE*>(entry);
      // A conditional allow entry begins as a plain one does.
      if (ace->Header.AceType == ACCESS_ALLOWED_ACE_TYPE ||
          ace->Header.AceType == ACCESS_ALLOWED_CALLBACK_ACE_TYPE) {
        place.allowed.push_back({sid_text(calls, const_cast<DWORD*>(&ace->SidStart)), ace->Mask,
                                 (ace->Header.AceFlags & INHERIT_ONLY_ACE) != 0});
      }
    }
  }
  return why_untrusted_may_change(
      place, kind, own_sid, [&calls](std::u16string_view sid) { return account_name(calls, sid); });
}

// What is directly in the folder, by full path; nothing for a missing folder.
std::vector<std::u16string> contents_of(const std::u16string& folder, DWORD& error) {
  std::vector<std::u16string> contents;
  WIN32_FIND_DATAW found{};
  const HANDLE search = FindFirstFileExW(wide(join_path(folder, u"\\*")).c_str(), FindExInfoBasic,
                                         &found, FindExSearchNameMatch, nullptr, 0);
  if (search == INVALID_HANDLE_VALUE) {
    error = GetLastError();
    return contents;
  }
  do {
    const std::u16string name(found.cFileName, found.cFileName + lstrlenW(found.cFileName));
    if (name != u"." && name != u"..") {
      contents.push_back(join_path(folder, u"\\" + name));
    }
  } while (FindNextFileW(search, &found));
  error = GetLastError() == ERROR_NO_MORE_FILES ? ERROR_SUCCESS : GetLastError();
  FindClose(search);
  return contents;
}

[[noreturn]] void refuse(const std::u16string& place, std::wstring_view which,
                         const std::u16string& why) {
  report(L"notice: not handed on from " + wide(place) + std::wstring(which) + L": " + wide(why) +
         L"; install where only administrators may change the programs; exit code 4");
  ExitProcess(kRefusedFolderExitCode);
}

// SYSTEM starts the program again by its path in every user's session: where an account it does
// not trust may change the program, the sounds, or a folder they are reached through, that account
// could have a program of its own run, or a sound of its own read, in every other user's session.
void refuse_a_place_others_may_change(const HandOffCalls& calls, const std::u16string& program) {
  const std::u16string own_sid = own_account(calls);
  const std::u16string folder = directory_of(program);
  const std::u16string ctrl = join_path(folder, u"\\ctrl");
  for (const std::u16string& place : {program, folder}) {
    if (const auto why = why_untrusted_may_change(calls, place, PlaceKind::program, own_sid)) {
      refuse(place, L"", *why);
    }
  }
  if (const auto why = why_untrusted_may_change(calls, ctrl, PlaceKind::program, own_sid, true)) {
    refuse(ctrl, L"", *why);
  }
  DWORD error = ERROR_SUCCESS;
  for (const std::u16string& sound : contents_of(ctrl, error)) {
    if (const auto why = why_untrusted_may_change(calls, sound, PlaceKind::program, own_sid)) {
      refuse(sound, L"", *why);
    }
  }
  // A missing ctrl\ is accepted, as its folder, checked above, is what would let one create it.
  if (error != ERROR_SUCCESS && error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND) {
    const std::wstring why = L"what it holds cannot be listed, " + windows_error(error);
    refuse(ctrl, L"", std::u16string(why.begin(), why.end()));
  }
  for (const std::u16string& above : folders_above(folder)) {
    if (const auto why = why_untrusted_may_change(calls, above, PlaceKind::folder_above, own_sid)) {
      refuse(above, L", a folder above the programs' folder", *why);
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
// they ended with. A failure on the way is reported; the notices already started are waited for.
[[noreturn]] void hand_on(const HandOffCalls& calls, const UnseenStart& start,
                          const std::u16string& argument, const std::optional<NoticeTo>& asked) {
  std::vector<std::pair<std::uint32_t, KernelHandle>> notices;
  try {
    const std::u16string path = module_path();
    refuse_a_place_others_may_change(calls, path);
    const std::wstring program = wide(path);
    const std::wstring folder = wide(directory_of(path));
    const std::wstring command_line = wide(handed_on_command_line(path, argument));
    const std::uint32_t console = WTSGetActiveConsoleSessionId();
    std::vector<std::uint32_t> sessions = sessions_to_notify(listed_sessions(calls), console);
    std::vector<SessionIdentity> identities;
    if (asked) {
      std::erase_if(sessions, [&](std::uint32_t session) {
        SessionIdentity identity = session_identity(calls.wts, session);
        if (!names_session(asked->recipients, identity, console)) {
          return true;
        }
        identities.push_back(std::move(identity));
        return false;
      });
      if (sessions.empty()) {
        end_for_nobody_named(*asked);
      }
    }
    // Never grown after a start, so that no started notice is lost to a failed allocation.
    notices.reserve(sessions.size());
    bool a_start_failed = false;
    for (std::size_t i = 0; i < sessions.size(); ++i) {
      const std::uint32_t session = sessions[i];
      try {
        if (KernelHandle notice = start_in_session(calls, session, program, folder, command_line);
            notice.get() != nullptr) {
          notices.emplace_back(session, std::move(notice));
          if (asked) {
            // The caller's log shows who got it.
            write_standard_output(L"notice: " + wide(session_label(identities[i])) + L": started");
          }
          continue;
        }
      } catch (...) {
        report_failure_line(L"notice: session " + std::to_wstring(session) + L": ",
                            current_failure(), L"; no notice there");
      }
      a_start_failed = true;
    }
    if (notices.empty()) {
      end_unseen(unseen_reason(start));
    }
    std::vector<std::uint32_t> exit_codes;
    exit_codes.reserve(notices.size());
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
    ExitProcess(static_cast<UINT>(exit_code_after_handing_on(exit_codes, a_start_failed)));
  } catch (...) {
    // Nothing may allocate here: the failure may be an exhausted heap.
    if (notices.empty()) {
      report_failure_line(L"notice: the hand-off failed: ", current_failure(),
                          L"; nothing was started; exit code 3");
      ExitProcess(kUnseenExitCode);
    }
    report_failure_line(L"notice: the hand-off failed: ", current_failure(),
                        L"; exit code 1 once the notices started have ended");
    for (const auto& [session, notice] : notices) {
      WaitForSingleObject(notice.get(), INFINITE);
    }
    ExitProcess(kFailedExitCode);
  }
}

}  // namespace

void hand_on_if_unseen() noexcept {
  const std::uint32_t session = own_session();
  const bool seen = seen_where_started(station_visible(), session);
  try {
    // A notice handed on does not read it again: the first process chose, and the user's own
    // environment may hold anything.
    const std::optional<NoticeTo> asked = handed_on() ? std::nullopt : notice_to_asked();
    const std::u16string argument = command_text();
    if (seen) {
      if (asked && !argument.empty() &&
          !names_session(asked->recipients, session_identity(session_calls(), session),
                         WTSGetActiveConsoleSessionId())) {
        end_for_nobody_named(*asked);
      }
      return;
    }
    UnseenStart start{.argument_empty = argument.empty(),
                      .handed_on = handed_on(),
                      .may_act_for_sessions = false};
    // The session DLLs are loaded and the token read only where the answer can matter.
    std::optional<HandOffCalls> calls;
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
  } catch (...) {
    if (seen) {
      end_after_failure(current_failure());
    }
    // Nothing was started: a failure here ends as any start that reaches nobody does.
    report_failure_line(L"notice: the hand-off failed: ", current_failure(),
                        L"; nothing was started; exit code 3");
    ExitProcess(kUnseenExitCode);
  }
  report_failure_line(L"notice: the hand-off failed: ", "no outcome for an unseen start",
                      L"; exit code 3");
  ExitProcess(kUnseenExitCode);
}

}  // namespace notice::win32
