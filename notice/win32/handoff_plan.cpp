#include "handoff_plan.hpp"

#include <algorithm>

#include "command_line.hpp"

namespace notice::win32 {
namespace {

// CreateProcess's limit for a command line, its terminator not counted.
constexpr std::size_t kLongestCommandLine = 32766;
// The kind, the timer flag and the three fields: nothing after them is read.
constexpr std::size_t kReadCharacters = 2 + 3 * kFieldLength;

// The accounts trusted besides the first process's own, and those that stand for an owner yet to
// be.
constexpr std::u16string_view kLocalSystem = u"S-1-5-18";
constexpr std::u16string_view kAdministrators = u"S-1-5-32-544";
constexpr std::u16string_view kTrustedInstaller =
    u"S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464";
constexpr std::u16string_view kCreatorOwner = u"S-1-3-0";
constexpr std::u16string_view kOwnerRights = u"S-1-3-4";

struct Right {
  std::uint32_t bit;
  std::u16string_view name;
};
// Any of these lets an account put a file of its own in the place of the program or a sound, or
// give itself the right to.
constexpr Right kChangingRights[] = {
    {0x00000002, u"write data"},       // FILE_WRITE_DATA, FILE_ADD_FILE on a folder
    {0x00000004, u"append data"},      // FILE_APPEND_DATA, FILE_ADD_SUBDIRECTORY on a folder
    {0x00000040, u"delete children"},  // FILE_DELETE_CHILD
    {0x00010000, u"delete"},           // DELETE
    {0x00040000, u"change permissions"},
    {0x00080000, u"take ownership"},
    {0x10000000, u"full control"},  // GENERIC_ALL
    {0x40000000, u"write"},         // GENERIC_WRITE
};
// Any of these on a folder above the programs' folder lets an account move what it holds away
// (the folder itself by a rename, or its children) and put a folder of its own there, or give
// itself the right to. Creating files and folders beside them is harmless.
constexpr Right kTakingRights[] = {
    {0x00000040, u"delete children"},    {0x00010000, u"delete"},
    {0x00040000, u"change permissions"}, {0x00080000, u"take ownership"},
    {0x10000000, u"full control"},
};

std::u16string hexadecimal(std::uint32_t value) {
  std::u16string digits = u"0x00000000";
  for (std::size_t i = digits.size() - 1; value != 0; --i, value >>= 4) {
    digits[i] = u"0123456789ABCDEF"[value & 0xF];
  }
  return digits;
}

char16_t upper(char16_t c) noexcept { return c >= u'a' && c <= u'z' ? c - (u'a' - u'A') : c; }

// A leading '=' belongs to the name: the block starts with the per-drive folders ("=C:=C:\...").
std::u16string_view name_of(std::u16string_view variable) noexcept {
  return variable.substr(0, variable.find(u'=', 1));
}

// The system compares names after upper-casing each character; the mark's name is ASCII, so
// upper-casing ASCII letters places it as the system would.
int compare_names(std::u16string_view a, std::u16string_view b) noexcept {
  for (std::size_t i = 0; i < a.size() && i < b.size(); ++i) {
    if (upper(a[i]) != upper(b[i])) {
      return upper(a[i]) < upper(b[i]) ? -1 : 1;
    }
  }
  return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

bool separator(char16_t c) noexcept { return c == u'\\' || c == u'/'; }

// The length of the path's root with its separator ("C:\" 3, "\\server\share\", "\\?\C:\",
// "\\?\UNC\server\share\"); 0 for a path without one.
std::size_t root_length(std::u16string_view path) noexcept {
  // After `parts` names from `from`, each ended by a separator or by the end of the path.
  const auto after = [path](std::size_t from, int parts) -> std::size_t {
    for (; parts > 0 && from < path.size(); --parts) {
      const std::size_t end = path.find_first_of(u"\\/", from);
      from = end == std::u16string_view::npos ? path.size() : end + 1;
    }
    return parts == 0 ? from : 0;
  };
  const auto drive = [path](std::size_t at) -> std::size_t {
    return path.size() >= at + 3 && path[at + 1] == u':' && separator(path[at + 2]) ? at + 3 : 0;
  };
  if (path.starts_with(u"\\\\?\\UNC\\")) {
    return after(8, 2);
  }
  if (path.starts_with(u"\\\\?\\") || path.starts_with(u"\\\\.\\")) {
    return drive(4);
  }
  if (path.size() >= 2 && separator(path[0]) && separator(path[1])) {
    return after(2, 2);
  }
  return drive(0);
}

// ORVANE_NOTICE_TO's limits: generous for any real list, and a bound on what is read.
constexpr std::size_t kLongestRecipientList = 4096;
constexpr std::size_t kLongestRecipientItem = 256;
constexpr std::size_t kMostRecipientItems = 64;

std::u16string decimal(std::uint64_t value) {
  std::u16string digits;
  do {
    digits.insert(digits.begin(), static_cast<char16_t>(u'0' + value % 10));
    value /= 10;
  } while (value != 0);
  return digits;
}

bool is_digit(char16_t c) noexcept { return c >= u'0' && c <= u'9'; }

std::u16string_view trimmed(std::u16string_view text) noexcept {
  const std::size_t first = text.find_first_not_of(u" \t");
  if (first == std::u16string_view::npos) {
    return {};
  }
  return text.substr(first, text.find_last_not_of(u" \t") - first + 1);
}

// An item as a line may show it: a control character would break the line.
std::u16string printable(std::u16string_view item) {
  std::u16string shown(item);
  std::replace_if(
      shown.begin(), shown.end(), [](char16_t c) { return c < 0x20 || c == 0x7F; }, u'?');
  return shown;
}

// Upper case for ASCII and Latin-1 letters, where the names of Portuguese-speaking users lie
// (à to þ, less ÷, pair with À to Þ).
char16_t folded(char16_t c) noexcept {
  if ((c >= u'a' && c <= u'z') || (c >= 0xE0 && c <= 0xFE && c != 0xF7)) {
    return static_cast<char16_t>(c - 0x20);
  }
  return c;
}

bool equal_ignoring_case(std::u16string_view a, std::u16string_view b) noexcept {
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(),
                    [](char16_t x, char16_t y) { return folded(x) == folded(y); });
}

// Windows refuses these in account names; a domain and a name around one backslash at most.
std::optional<std::u16string> why_not_a_user(std::u16string_view item) {
  for (const char16_t c : item) {
    if (c < 0x20 || c == 0x7F) {
      return u" holds a control character";
    }
    if (c == u'*') {
      return u" holds \"*\" inside a longer item";
    }
    if (std::u16string_view(u"/[]:;|=+?<>\"").find(c) != std::u16string_view::npos) {
      return u" holds the character " + std::u16string(1, c);
    }
  }
  const std::size_t separator = item.find(u'\\');
  if (separator != std::u16string_view::npos) {
    if (item.find(u'\\', separator + 1) != std::u16string_view::npos) {
      return u" holds more than one \"\\\"";
    }
    if (separator == 0 || separator + 1 == item.size()) {
      return u" has an empty domain or user name";
    }
  }
  return std::nullopt;
}

}  // namespace

bool may_act_for_sessions(const TokenFacts& token) noexcept {
  return (token.local_system || token.without_accounts) && token.tcb_adjusted &&
         token.tcb_error == 0;
}

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
    return u"not LocalSystem with SeTcbPrivilege enabled, so it cannot reach the users' sessions";
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
    if (session.state != SessionState::other && session.has_user &&
        session.id != kServicesSession &&
        std::find(sessions.begin(), sessions.end(), session.id) == sessions.end()) {
      sessions.push_back(session.id);
    }
  }
  return sessions;
}

RecipientsRead read_recipients(std::u16string_view value) {
  const auto fault = [](std::u16string why) {
    return RecipientsRead{std::nullopt, std::move(why)};
  };
  if (value.size() > kLongestRecipientList) {
    return fault(u"the value is over 4096 characters");
  }
  Recipients recipients;
  std::size_t count = 0;
  for (std::size_t at = 0; at <= value.size(); ++count) {
    const std::size_t end = std::min(value.find(u',', at), value.size());
    const std::u16string_view item = trimmed(value.substr(at, end - at));
    at = end + 1;
    if (count == kMostRecipientItems) {
      return fault(u"the value has more than 64 items");
    }
    if (item.empty()) {
      return fault(u"item " + decimal(count + 1) + u" is empty");
    }
    if (item.size() > kLongestRecipientItem) {
      return fault(u"item " + decimal(count + 1) + u" is over 256 characters");
    }
    const std::u16string quoted = u"\"" + printable(item) + u"\"";
    if (item == u"*") {
      recipients.everyone = true;
    } else if (equal_ignoring_case(item, u"console")) {
      recipients.console = true;
    } else if (std::all_of(item.begin(), item.end(), [](char16_t c) { return is_digit(c); })) {
      std::uint64_t number = 0;
      for (const char16_t digit : item) {
        number = number * 10 + static_cast<std::uint64_t>(digit - u'0');
        if (number > 0xFFFFFFFFU) {
          return fault(quoted + u" is beyond the largest session number, 4294967295");
        }
      }
      recipients.sessions.push_back(static_cast<std::uint32_t>(number));
    } else if (const std::optional<std::u16string> why = why_not_a_user(item)) {
      return fault(quoted + *why);
    } else {
      const std::size_t separator = item.find(u'\\');
      recipients.users.push_back(separator == std::u16string_view::npos
                                     ? NamedUser{u"", std::u16string(item)}
                                     : NamedUser{std::u16string(item.substr(0, separator)),
                                                 std::u16string(item.substr(separator + 1))});
    }
  }
  return {std::move(recipients), u""};
}

bool names_session(const Recipients& recipients, const SessionIdentity& session,
                   std::uint32_t console_session) noexcept {
  if (recipients.everyone || (recipients.console && session.id == console_session &&
                              console_session != kNoConsoleSession)) {
    return true;
  }
  if (std::find(recipients.sessions.begin(), recipients.sessions.end(), session.id) !=
      recipients.sessions.end()) {
    return true;
  }
  return !session.user.empty() &&
         std::any_of(recipients.users.begin(), recipients.users.end(), [&](const NamedUser& user) {
           return equal_ignoring_case(user.name, session.user) &&
                  (user.domain.empty() || equal_ignoring_case(user.domain, session.domain));
         });
}

std::u16string session_label(const SessionIdentity& session) {
  std::u16string label = u"session " + decimal(session.id);
  if (!session.user.empty()) {
    label.append(u" (");
    if (!session.domain.empty()) {
      label.append(session.domain).append(u"\\");
    }
    label.append(session.user).append(u")");
  }
  return label;
}

int exit_code_after_handing_on(std::span<const std::uint32_t> notice_exit_codes,
                               bool a_start_failed) noexcept {
  if (notice_exit_codes.empty()) {
    return kUnseenExitCode;
  }
  return !a_start_failed && std::all_of(notice_exit_codes.begin(), notice_exit_codes.end(),
                                        [](std::uint32_t code) { return code == 0; })
             ? kShownExitCode
             : kFailedExitCode;
}

bool trusted_account(std::u16string_view sid, std::u16string_view own_sid) noexcept {
  return sid == kLocalSystem || sid == kAdministrators || sid == kTrustedInstaller ||
         (!own_sid.empty() && sid == own_sid);
}

std::optional<std::u16string> why_untrusted_may_change(const Protection& place, PlaceKind kind,
                                                       std::u16string_view own_sid,
                                                       const AccountName& name_of) {
  const auto account = [&](std::u16string_view sid) {
    if (sid.empty()) {
      return std::u16string(u"an account whose SID cannot be read");
    }
    const std::u16string name = name_of(sid);
    return name.empty() ? std::u16string(sid) : name + u" (" + std::u16string(sid) + u")";
  };
  if (!trusted_account(place.owner, own_sid)) {
    return u"it is owned by " + account(place.owner) +
           u", who may give any account any right to it";
  }
  if (!place.has_dacl) {
    return u"it has no DACL, so everyone may do anything with it";
  }
  const std::span<const Right> rights = kind == PlaceKind::program
                                            ? std::span<const Right>(kChangingRights)
                                            : std::span<const Right>(kTakingRights);
  for (const AccessEntry& entry : place.allowed) {
    if (trusted_account(entry.sid, own_sid) ||
        (entry.inherit_only && (kind == PlaceKind::folder_above || entry.sid == kCreatorOwner ||
                                entry.sid == kOwnerRights))) {
      continue;
    }
    std::u16string held;
    for (const Right& right : rights) {
      if ((entry.mask & right.bit) != 0) {
        held.append(held.empty() ? u"" : u", ").append(right.name);
      }
    }
    if (!held.empty()) {
      return account(entry.sid) + u" is allowed " + held + u" (" + hexadecimal(entry.mask) + u")";
    }
  }
  return std::nullopt;
}

std::vector<std::u16string> folders_above(std::u16string_view folder) {
  const std::size_t root = root_length(folder);
  std::vector<std::u16string> above;
  if (root == 0) {
    return above;
  }
  while (folder.size() > root) {
    const std::size_t separator = folder.find_last_of(u"\\/");
    folder = separator == std::u16string_view::npos || separator < root
                 ? folder.substr(0, root)
                 : folder.substr(0, separator);
    above.emplace_back(folder);
  }
  return above;
}

std::u16string with_variable(std::u16string_view strings, std::u16string_view entry) {
  std::size_t at = 0;
  while (at < strings.size()) {
    const std::size_t end = std::min(strings.find(u'\0', at), strings.size());
    const int order = compare_names(name_of(strings.substr(at, end - at)), name_of(entry));
    if (order >= 0) {
      const std::size_t after = order == 0 ? std::min(end + 1, strings.size()) : at;
      return std::u16string(strings.substr(0, at))
          .append(entry)
          .append(1, u'\0')
          .append(strings.substr(after));
    }
    at = end + 1;
  }
  return std::u16string(strings).append(entry).append(1, u'\0');
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
