// A notice started where nobody sees it, as by a service or a deployment tool running as SYSTEM,
// shows on the signed-in user's desktop instead, and the first process waits for it.
#include <gtest/gtest.h>
#include <windows.h>
// After windows.h, which it needs.
#include <wtsapi32.h>

#include <cstdio>
#include <tuple>
#include <utility>

#include "folders.hpp"
#include "notice_argument.hpp"
#include "notice_view.hpp"
#include "process.hpp"
#include "program_paths.hpp"
#include "screen_reader.hpp"

namespace hardening {
namespace {

constexpr wchar_t kHandedOnVariable[] = L"ORVANE_NOTICE_HANDED_ON";

// A job as a deployment agent runs its commands in, ended with its last handle.
HANDLE agent_job(bool breakaway_allowed) {
  const HANDLE job = CreateJobObjectW(nullptr, nullptr);
  JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
  limits.BasicLimitInformation.LimitFlags =
      JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE | (breakaway_allowed ? JOB_OBJECT_LIMIT_BREAKAWAY_OK : 0);
  SetInformationJobObject(job, JobObjectExtendedLimitInformation, &limits, sizeof limits);
  return job;
}

// The first process's standard error and output, as a fleet tool captures them.
struct ErrorPipe {
  explicit ErrorPipe(LaunchOptions launch = HiddenStation::on()) : options(std::move(launch)) {
    SECURITY_ATTRIBUTES inherited{sizeof inherited, nullptr, TRUE};
    CreatePipe(&read, &options.error_output, &inherited, 1 << 16);
    CreatePipe(&read_output, &options.output, &inherited, 1 << 16);
  }
  ~ErrorPipe() {
    for (const HANDLE handle : {read, read_output, options.error_output, options.output}) {
      CloseHandle(handle);
    }
  }
  // What was written, once the first process has ended.
  std::string text() { return drained(read, options.error_output); }
  std::string output() { return drained(read_output, options.output); }
  static std::string drained(HANDLE from, HANDLE& writer) {
    CloseHandle(std::exchange(writer, nullptr));
    char text[4096];
    DWORD size = 0;
    ReadFile(from, text, sizeof text, &size, nullptr);
    return std::string(text, size);
  }
  HANDLE read = nullptr;
  HANDLE read_output = nullptr;
  LaunchOptions options;
};

long long ms_since(std::chrono::steady_clock::time_point start) {
  return (std::chrono::steady_clock::now() - start) / 1ms;
}

bool in_job(DWORD process_id, HANDLE job) {
  const HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION, FALSE, process_id);
  BOOL result = FALSE;
  IsProcessInJob(process, job, &result);
  CloseHandle(process);
  return result != FALSE;
}

TEST(WindowStation, ANoticeStartedWhereNobodySeesItShowsOnTheUsersDesktopAndIsWaitedFor) {
  const HiddenStation hidden;
  ASSERT_TRUE(hidden.made()) << GetLastError();
  const std::wstring lines = L"Serviço \"Central\" às 10h\nNada a fazer\nChamado 77";
  // Handed on only from a folder no other account may change, up to its drive's root: a copy in
  // drive C, wherever the build lies (Wine shows /tmp as a folder Everyone may change).
  const TempFolder root(L"shown");
  install(kMessageNotice, root / L"Avisos");
  install(kPrintNotice, root / L"Avisos");
  // Each program from an agent's job that lets nothing leave it, where the notice is started inside
  // the job, and from one that allows it, where the notice leaves the job.
  for (const auto& [program, breakaway_allowed] : {std::pair{&kMessageNotice, false},
                                                   {&kPrintNotice, false},
                                                   {&kMessageNotice, true},
                                                   {&kPrintNotice, true}}) {
    SCOPED_TRACE(e2e::narrow(program->file_name) + (breakaway_allowed ? " out of" : " in") +
                 " the job");
    const HANDLE job = agent_job(breakaway_allowed);
    LaunchOptions options = HiddenStation::on();
    options.job = job;
    const auto started = std::chrono::steady_clock::now();
    const Process first(root / (L"Avisos\\" + std::wstring(program->file_name)),
                        e2e::notice_argument(L'X', L' ', L"Serviço \"Central\" às 10h",
                                             L"Nada a fazer", L"Chamado 77"),
                        options);
    DWORD shown = 0;
    e2e::wait_until([&] { return (shown = child_of(first.id())) != 0 || !first.running(); }, 20s);
    ASSERT_NE(shown, 0U) << "nothing handed on; exit code " << first.wait_for_exit(0ms).value_or(0);
    const HWND window = wait_until_on_top(shown, 20s);
    ASSERT_NE(window, nullptr) << "the handed-on notice never stood opaque on top";
    std::printf("%s, breakaway %s: hidden start to opaque on the visible desktop %lld ms\n",
                e2e::narrow(program->file_name).c_str(), breakaway_allowed ? "allowed" : "refused",
                static_cast<long long>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                           std::chrono::steady_clock::now() - started)
                                           .count()));
    EXPECT_TRUE(first.running()) << "the first process must wait while its notice shows";
    const e2e::AccessibleReading read = e2e::read_accessible(window);
    std::printf("reader heard \"%s\": \"%s\"\n", e2e::narrow(read.name).c_str(),
                e2e::narrow(read.description).c_str());
    EXPECT_EQ(read.description.substr(read.description.find(L'\n') + 1), lines);
    EXPECT_TRUE(in_job(first.id(), job));
    EXPECT_EQ(in_job(shown, job), !breakaway_allowed);
    if (breakaway_allowed) {
      // The agent gives up and ends its job: the notice it started stays with the user.
      TerminateJobObject(job, 1);
      EXPECT_TRUE(first.wait_for_exit(5s).has_value());
      Sleep(300);
      EXPECT_TRUE(IsWindowVisible(window)) << "ending the agent's job took the notice away";
    }

    const HANDLE notice = OpenProcess(SYNCHRONIZE, FALSE, shown);
    click_close_box(*program, window);
    EXPECT_EQ(WaitForSingleObject(notice, 5000), WAIT_OBJECT_0) << "the shown notice did not end";
    CloseHandle(notice);
    if (!breakaway_allowed) {
      const auto closed = std::chrono::steady_clock::now();
      EXPECT_EQ(first.wait_for_exit(1s), std::optional<DWORD>{0});
      std::printf("the first process ended %lld ms after the shown notice\n",
                  static_cast<long long>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                             std::chrono::steady_clock::now() - closed)
                                             .count()));
    }
    CloseHandle(job);
  }
}

TEST(WindowStation, AnEmptyArgumentEndsWith0AndAHandedOnNoticeNeverHandsOnAgain) {
  const HiddenStation hidden;
  ASSERT_TRUE(hidden.made()) << GetLastError();
  for (const NoticeProgram* program : {&kMessageNotice, &kPrintNotice}) {
    const Process empty(built(*program), L"", HiddenStation::on());
    EXPECT_EQ(empty.wait_for_exit(10s), std::optional<DWORD>{0}) << e2e::narrow(program->file_name);
    // As a notice that was handed on finds its environment.
    SetEnvironmentVariableW(kHandedOnVariable, L"1");
    const Process again(built(*program), e2e::notice_argument(L'X', L' ', L"Ninguém vê", L"", L""),
                        HiddenStation::on());
    SetEnvironmentVariableW(kHandedOnVariable, nullptr);
    EXPECT_EQ(again.wait_for_exit(10s), std::optional<DWORD>{3}) << e2e::narrow(program->file_name);
  }
}

TEST(WindowStation, AFolderUsersMayChangeIsRefusedAndAFailedNoticeFailsTheFirstProcess) {
  const HiddenStation hidden;
  ASSERT_TRUE(hidden.made()) << GetLastError();
  const TempFolder root(L"handoff");
  const std::wstring argument = e2e::notice_argument(L'X', L' ', L"De uma cópia", L"", L"");
  const std::string open_to_everyone = ": Everyone (S-1-1-0) is allowed write data";
  const std::string given = ": it is owned by NT AUTHORITY\\ANONYMOUS LOGON (S-1-5-7)";
  create_folder(root / L"above");
  // A copy and the place in it, or above it, that another account may change.
  for (const auto& [copy, place, reason] :
       {std::tuple{root / L"open", root / L"open", open_to_everyone},
        {root / L"ctrl open", root / L"ctrl open\\ctrl", open_to_everyone},
        {root / L"given", root / L"given\\OrvaneMessage.exe", given},
        {root / L"sound given", root / L"sound given\\ctrl\\aviso.wav", given},
        {root / L"above\\programs", root / L"above",
         std::string(", a folder above the programs' folder: Everyone (S-1-1-0) is allowed delete "
                     "children, delete (")}}) {
    const std::wstring program = install(kMessageNotice, copy);
    if (reason == given) {
      give_to_another_account(place);
    } else {
      let_everyone_change(place);
    }
    ErrorPipe errors;
    const auto started = std::chrono::steady_clock::now();
    const Process first(program, argument, errors.options);
    EXPECT_EQ(first.wait_for_exit(10s), std::optional<DWORD>{4});
    const std::string reported = errors.text();
    std::printf("ended after %lld ms, reporting: %s", ms_since(started), reported.c_str());
    EXPECT_EQ(child_of(first.id()), 0U) << "a notice was handed on";
    EXPECT_NE(reported.find(e2e::narrow(place) + reason), std::string::npos);
  }

  ErrorPipe errors;
  auto started = std::chrono::steady_clock::now();
  const Process first(install(kMessageNotice, root / L"closed"), argument, errors.options);
  DWORD shown = 0;
  e2e::wait_until([&] { return (shown = child_of(first.id())) != 0 || !first.running(); }, 20s);
  ASSERT_NE(shown, 0U) << "nothing handed on: " << errors.text();
  ASSERT_NE(wait_until_on_top(shown, 20s), nullptr);
  std::printf("a copy only its owner may change: shown after %lld ms\n", ms_since(started));
  const HANDLE notice = OpenProcess(PROCESS_TERMINATE, FALSE, shown);
  TerminateProcess(notice, 1);
  CloseHandle(notice);
  started = std::chrono::steady_clock::now();
  EXPECT_EQ(first.wait_for_exit(5s), std::optional<DWORD>{1});
  const std::string reported = errors.text();
  std::printf("its notice ended with 1, the first process %lld ms later, reporting: %s",
              ms_since(started), reported.c_str());
  EXPECT_NE(reported.find(": the notice ended with exit code 1\r\n"), std::string::npos);
}

// Wine has one session, 1, at the console: every form that names it shows the notice there, hidden
// start or not; a list that names nobody, or cannot be read, shows nothing anywhere.
TEST(WindowStation, ANoticeGoesOnlyWhereOrvaneNoticeToNamesItsSession) {
  const HiddenStation hidden;
  ASSERT_TRUE(hidden.made()) << GetLastError();
  std::wstring names[2];  // the session's user, then its domain
  for (const WTS_INFO_CLASS kind : {WTSUserName, WTSDomainName}) {
    wchar_t* value = nullptr;
    DWORD bytes = 0;
    WTSQuerySessionInformationW(WTS_CURRENT_SERVER_HANDLE, 1, kind, &value, &bytes);
    names[kind == WTSDomainName] = value != nullptr ? value : L"";
    WTSFreeMemory(value);
  }
  std::wstring shouted = names[1] + L"\\" + names[0];
  CharUpperW(shouted.data());
  const std::string started =
      "notice: session 1 (" + e2e::narrow(names[1] + L"\\" + names[0]) + "): started\r\n";
  const std::string nobody = ": no signed-in session matches; nothing shown\r\n";
  const TempFolder root(L"named");  // handed on only from a folder no other account may change
  install(kMessageNotice, root / L"Avisos");
  install(kPrintNotice, root / L"Avisos");
  for (const bool unseen : {true, false}) {
    for (const auto& [value, exit_code, line] :
         {std::tuple{std::wstring(L"1"), 0, started},
          {L" console ", 0, started},
          {names[0], 0, started},
          {shouted, 0, started},
          {L"9,*", 0, started},
          {L"7", 3, "notice: ORVANE_NOTICE_TO=7" + nobody},
          {L"outro\\root,Ninguém", 3, "notice: ORVANE_NOTICE_TO=outro\\root,Ninguém" + nobody},
          {L"2,,3", 2,
           "notice: ORVANE_NOTICE_TO: item 2 is empty; nothing shown; exit code 2\r\n"}}) {
      SetEnvironmentVariableW(L"ORVANE_NOTICE_TO", value.c_str());
      ErrorPipe pipes(unseen ? HiddenStation::on() : LaunchOptions{});
      const Process first(
          root / (L"Avisos\\" +
                  std::wstring((exit_code == 0 ? kMessageNotice : kPrintNotice).file_name)),
          e2e::notice_argument(L'X', L' ', L"Só para você", L"", L""), pipes.options);
      SetEnvironmentVariableW(L"ORVANE_NOTICE_TO", nullptr);
      DWORD shown = first.id();
      if (exit_code == 0) {
        if (unseen) {
          e2e::wait_until([&] { return (shown = child_of(first.id())) != 0; }, 20s);
        }
        const HWND window = wait_until_on_top(shown, 20s);
        EXPECT_NE(window, nullptr) << e2e::narrow(value);
        PostMessageW(window, WM_CLOSE, 0, 0);
      }
      EXPECT_EQ(first.wait_for_exit(10s), std::optional<DWORD>(exit_code)) << e2e::narrow(value);
      const std::string said = exit_code == 0 ? pipes.output() : pipes.text();
      std::printf("%s, ORVANE_NOTICE_TO=%s: exit code %d, said \"%s\"\n",
                  unseen ? "hidden" : "seen", e2e::narrow(value).c_str(), exit_code, said.c_str());
      EXPECT_EQ(said, unseen || exit_code != 0 ? line : "") << e2e::narrow(value);
      EXPECT_EQ(child_of(first.id()), 0U);
    }
  }
  // A notice handed on does not read it again: its user's environment may hold anything.
  SetEnvironmentVariableW(kHandedOnVariable, L"1");
  SetEnvironmentVariableW(L"ORVANE_NOTICE_TO", L"7,,");
  const Process handed_on(built(kMessageNotice), L"X");
  SetEnvironmentVariableW(kHandedOnVariable, nullptr);
  SetEnvironmentVariableW(L"ORVANE_NOTICE_TO", nullptr);
  EXPECT_NE(wait_until_on_top(handed_on.id(), 20s), nullptr);
}

}  // namespace
}  // namespace hardening
