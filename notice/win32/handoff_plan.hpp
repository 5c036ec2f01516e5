#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
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
inline constexpr int kFailedExitCode = 1;
inline constexpr int kBadRecipientsExitCode = 2;
inline constexpr int kUnseenExitCode = 3;
inline constexpr int kRefusedFolderExitCode = 4;

// The session whose desktop no user has seen since Windows 10 1803, even for a service marked
// interactive whose station calls itself visible.
inline constexpr std::uint32_t kServicesSession = 0;
// WTSGetActiveConsoleSessionId's answer while no session is attached to the console.
inline constexpr std::uint32_t kNoConsoleSession = 0xFFFFFFFF;

// A window station without WSF_VISIBLE, or session 0: nobody would see or close a notice there.
// A station whose flags cannot be read counts as visible, as it always has.
bool seen_where_started(bool station_visible, std::uint32_t session) noexcept;

// What the process's token says about acting for other sessions.
struct TokenFacts {
  bool local_system;
  // Wine: no LocalSystem account exists, its one user holds every privilege and its
  // WTSQueryUserToken answers any caller.
  bool without_accounts;
  // AdjustTokenPrivileges's answer when asked to enable SeTcbPrivilege, and GetLastError() right
  // after it: ERROR_NOT_ALL_ASSIGNED (1300) means the token does not hold the privilege.
  bool tcb_adjusted;
  std::uint32_t tcb_error;
};

// WTSQueryUserToken works only for LocalSystem with SeTcbPrivilege enabled.
bool may_act_for_sessions(const TokenFacts& token) noexcept;

struct UnseenStart {
  bool argument_empty;
  // Started by a notice that handed its argument on: it never hands on again.
  bool handed_on;
  // may_act_for_sessions's answer.
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

enum class SessionState {
  active,        // WTSActive: connected
  disconnected,  // WTSDisconnected: signed in, no one connected until the user comes back
  other,         // listening, idle, resetting...: nobody signed in
};

// One row of the system's session list.
struct ListedSession {
  std::uint32_t id;
  SessionState state;
  bool has_user;  // a user name is known for it
};

// Every active or disconnected session with a user, once each, never the services' session;
// where the list is empty, the console's session when one is attached. A notice started in a
// disconnected session holds until its user reconnects.
std::vector<std::uint32_t> sessions_to_notify(std::span<const ListedSession> listed,
                                              std::uint32_t console_session);

// Whom a notice is for, as ORVANE_NOTICE_TO lists it: every session any item names.
struct NamedUser {
  std::u16string domain;  // empty: the user of that name in any domain
  std::u16string name;
};
struct Recipients {
  bool everyone = false;  // `*`
  bool console = false;   // `console`: the session at the PC's own screen and keyboard
  std::vector<std::uint32_t> sessions;
  std::vector<NamedUser> users;
};

// The list read from the variable's (non-empty) value, or why it cannot be, naming the item at
// fault.
struct RecipientsRead {
  std::optional<Recipients> recipients;
  std::u16string fault;
};
RecipientsRead read_recipients(std::u16string_view value);

// A signed-in session as the system describes it; user and domain are empty where unknown.
struct SessionIdentity {
  std::uint32_t id;
  std::u16string user;
  std::u16string domain;
};

// Whether any item of the list names the session. Users are compared without regard to case.
bool names_session(const Recipients& recipients, const SessionIdentity& session,
                   std::uint32_t console_session) noexcept;

// "session 2 (CORP\joao)", or "session 2" where the user is unknown: how the lines name a session.
std::u16string session_label(const SessionIdentity& session);

// The exit code of the first process from the exit codes of the notices it started, once all of
// them have ended: 3 when none was started; 1 when a session's notice could not be started (a
// person was missed, whatever the others ended with) or any ended otherwise than with 0; else 0.
int exit_code_after_handing_on(std::span<const std::uint32_t> notice_exit_codes,
                               bool a_start_failed) noexcept;

// The accounts the hand-off trusts with what it starts as SYSTEM: LocalSystem, Administrators,
// TrustedInstaller and the account the first process itself runs as (`own_sid`), all as SID text.
bool trusted_account(std::u16string_view sid, std::u16string_view own_sid) noexcept;

// Where a place lies: what the program runs and reads (the program file, the programs' folder,
// ctrl\ and each file directly in it), or a folder above the programs' folder, up to its root.
enum class PlaceKind { program, folder_above };

// One allow entry (plain or conditional) of a file's or folder's DACL. Deny entries are not
// weighed: an allow entry for an account not trusted is reason enough to refuse.
struct AccessEntry {
  std::u16string sid;  // as text, "S-1-1-0"; empty when it cannot be read
  std::uint32_t mask;
  bool inherit_only;  // passes on to what is created inside, without applying to the place itself
};

// What the hand-off reads of a place.
struct Protection {
  std::u16string owner;  // the owner's SID as text
  bool has_dacl;
  std::vector<AccessEntry> allowed;
};

// "DOMAIN\name" or "name" for a SID; empty where it has no name.
using AccountName = std::function<std::u16string(std::u16string_view sid)>;

// Why an account the hand-off does not trust may change the place (or take it, for a folder
// above), naming the account as `DOMAIN\name (SID)` and the rights, or nothing when none may.
// Owned by an account not trusted: its owner may always rewrite its permissions. Everywhere, a
// missing DACL lets everyone do anything. In what the program runs and reads, no account not
// trusted may write, append, delete, delete children, change permissions, take ownership or hold
// full control or generic write; inherit-only entries count, as they pass on to the sounds in
// ctrl\, save those of CREATOR OWNER and OWNER RIGHTS. In a folder above, it may not delete,
// delete children, change permissions, take ownership or hold full control, and only what applies
// to the folder itself counts: every user may create files and folders in C:\.
std::optional<std::u16string> why_untrusted_may_change(const Protection& place, PlaceKind kind,
                                                       std::u16string_view own_sid,
                                                       const AccountName& name_of);

// The folders above `folder`, nearest first, up to and including its volume's root ("C:\",
// "\\server\share\", "\\?\C:\"); none for a root or a path without one.
std::vector<std::u16string> folders_above(std::u16string_view folder);

// The environment block's strings, each with its terminator and without the empty one that ends
// the block, with `entry` ("NAME=value") set where the block's order puts it: the system keeps a
// block sorted by name, ignoring case, and replaces a variable of the same name.
std::u16string with_variable(std::u16string_view strings, std::u16string_view entry);

// The command line that gives the started program exactly the argument text this one read: its
// full path quoted (a path never holds a quote), a blank, then the text. A line that would pass
// the system's 32767-character limit keeps only the characters the fields are read from.
std::u16string handed_on_command_line(std::u16string_view program_path,
                                      std::u16string_view argument);

}  // namespace notice::win32
