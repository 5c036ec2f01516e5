#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// Where a notice started where nobody can see it goes: the decisions, kept free of <windows.h> so
// that they are tested without a system behind them. session_handoff.cpp carries them out.
namespace notice::win32 {

// The exit codes of a program (1 is a failure, end_after_failure's).
inline constexpr int kShownExitCode = 0;
inline constexpr int kUnseenExitCode = 3;

// The session whose desktop no user has seen since Windows 10 1803, even for a service marked
// interactive whose station calls itself visible.
inline constexpr std::uint32_t kServicesSession = 0;
// WTSGetActiveConsoleSessionId's answer while no session is attached to the console.
inline constexpr std::uint32_t kNoConsoleSession = 0xFFFFFFFF;

// A window station without WSF_VISIBLE, or session 0: nobody would see or close a notice there.
// A station whose flags cannot be read counts as visible, as it always has.
bool seen_where_started(bool station_visible, std::uint32_t session) noexcept;

struct UnseenStart {
  bool argument_empty;
  // Started by a notice that handed its argument on: it never hands on again.
  bool handed_on;
  // SYSTEM, or a service holding SeTcbPrivilege: it may start programs in users' sessions.
  bool may_act_for_sessions;
};

enum class UnseenOutcome {
  end_quietly,  // an empty argument: nothing to show anywhere, exit code 0
  hand_on,      // start the same notice in the signed-in users' sessions
  end_unseen,   // exit code 3
};

UnseenOutcome decide_unseen_start(const UnseenStart& start) noexcept;

// Why an unseen notice ends with kUnseenExitCode, for the debugger's output.
std::u16string_view unseen_reason(const UnseenStart& start) noexcept;

// One row of the system's session list.
struct ListedSession {
  std::uint32_t id;
  bool active;    // WTSActive: a signed-in user, connected
  bool has_user;  // a user name is known for it
};

// Every active session with a user, once each, never the services' session; where the list is
// empty, the console's session when one is attached.
std::vector<std::uint32_t> sessions_to_notify(std::span<const ListedSession> listed,
                                              std::uint32_t console_session);

// The exit code of the first process once every notice it started has ended.
int exit_code_after_handing_on(std::size_t started) noexcept;

// The command line that gives the started program exactly the argument text this one read: its
// full path quoted (a path never holds a quote), a blank, then the text. A line that would pass
// the system's 32767-character limit keeps only the characters the fields are read from.
std::u16string handed_on_command_line(std::u16string_view program_path,
                                      std::u16string_view argument);

}  // namespace notice::win32
