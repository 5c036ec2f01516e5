#include "handoff_plan.hpp"

#include <algorithm>

#include "command_line.hpp"

namespace notice::win32 {
namespace {

// CreateProcess's limit for a command line, its terminator not counted.
constexpr std::size_t kLongestCommandLine = 32766;
// The kind, the timer flag and the three fields: nothing after them is read.
constexpr std::size_t kReadCharacters = 2 + 3 * kFieldLength;

}  // namespace

bool seen_where_started(bool station_visible, std::uint32_t session) noexcept {
  return station_visible && session != kServicesSession;
}

UnseenOutcome decide_unseen_start(const UnseenStart& start) noexcept {
  if (start.argument_empty) {
    return UnseenOutcome::end_quietly;
  }
  if (start.handed_on || !start.may_act_for_sessions) {
    return UnseenOutcome::end_unseen;
  }
  return UnseenOutcome::hand_on;
}

std::u16string_view unseen_reason(const UnseenStart& start) noexcept {
  if (start.handed_on) {
    return u"handed on by another notice, yet still where nobody sees it";
  }
  if (!start.may_act_for_sessions) {
    return u"neither SYSTEM nor holding SeTcbPrivilege, so it cannot reach the users' sessions";
  }
  return u"no notice could be started in a signed-in user's session";
}

std::vector<std::uint32_t> sessions_to_notify(std::span<const ListedSession> listed,
                                              std::uint32_t console_session) {
  std::vector<std::uint32_t> sessions;
  if (listed.empty()) {
    if (console_session != kNoConsoleSession && console_session != kServicesSession) {
      sessions.push_back(console_session);
    }
    return sessions;
  }
  for (const ListedSession& session : listed) {
    if (session.active && session.has_user && session.id != kServicesSession &&
        std::find(sessions.begin(), sessions.end(), session.id) == sessions.end()) {
      sessions.push_back(session.id);
    }
  }
  return sessions;
}

int exit_code_after_handing_on(std::size_t started) noexcept {
  return started > 0 ? kShownExitCode : kUnseenExitCode;
}

std::u16string handed_on_command_line(std::u16string_view program_path,
                                      std::u16string_view argument) {
  std::u16string line;
  line.reserve(program_path.size() + 3 + argument.size());
  line.append(u"\"").append(program_path).append(u"\" ");
  if (line.size() + argument.size() > kLongestCommandLine) {
    argument = argument.substr(0, kReadCharacters);
  }
  return line.append(argument);
}

}  // namespace notice::win32
