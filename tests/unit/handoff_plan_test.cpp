#include "handoff_plan.hpp"

#include <gtest/gtest.h>

#include "command_line.hpp"

namespace notice::win32 {
namespace {

using Sessions = std::vector<std::uint32_t>;

TEST(HandOff, OnlyAVisibleStationOutsideSessionZeroIsSeen) {
  EXPECT_TRUE(seen_where_started(true, 1));
  EXPECT_TRUE(seen_where_started(true, kNoConsoleSession));  // the session could not be read
  EXPECT_FALSE(seen_where_started(false, 1));
  EXPECT_FALSE(seen_where_started(true, 0));  // a service marked interactive
}

TEST(HandOff, AnUnseenStartHandsOnOnlyANonEmptyFirstNoticeOfAPrivilegedProcess) {
  EXPECT_EQ(decide_unseen_start({true, false, true}), UnseenOutcome::end_quietly);
  EXPECT_EQ(decide_unseen_start({true, true, false}), UnseenOutcome::end_quietly);
  EXPECT_EQ(decide_unseen_start({false, false, true}), UnseenOutcome::hand_on);
  EXPECT_EQ(decide_unseen_start({false, true, true}), UnseenOutcome::end_unseen);  // no loop
  EXPECT_EQ(decide_unseen_start({false, false, false}), UnseenOutcome::end_unseen);
  EXPECT_NE(unseen_reason({false, false, false}).find(u"SeTcbPrivilege"), std::u16string::npos);
  EXPECT_EQ(exit_code_after_handing_on(Sessions{0, 0}), 0);
  EXPECT_EQ(exit_code_after_handing_on(Sessions{0, 0xC0000409, 0}), 1);
  EXPECT_EQ(exit_code_after_handing_on(Sessions{}), 3);
  EXPECT_TRUE(may_act_for_sessions({true, false, true, 0}));
  EXPECT_TRUE(may_act_for_sessions({false, true, true, 0}));      // Wine
  EXPECT_FALSE(may_act_for_sessions({true, false, true, 1300}));  // ERROR_NOT_ALL_ASSIGNED
  EXPECT_FALSE(may_act_for_sessions({false, false, true, 0}));    // a service holding it
}

TEST(HandOff, EveryActiveOrDisconnectedSessionWithAUserOnceOrElseTheConsole) {
  using enum SessionState;
  const std::vector<ListedSession> host{
      {0, active, true},  {1, active, true},        {2, disconnected, true},
      {3, active, false}, {4, disconnected, false}, {5, active, true},
      {5, active, true},  {6, other, true},         {65536, active, true}};
  EXPECT_EQ(sessions_to_notify(host, 1), (Sessions{1, 2, 5, 65536}));
  // Listed, but nobody signed in: the console is not asked.
  EXPECT_EQ(sessions_to_notify(std::vector<ListedSession>{{0, active, true}, {2, other, true}}, 2),
            Sessions{});
  EXPECT_EQ(sessions_to_notify({}, 1), Sessions{1});
  EXPECT_EQ(sessions_to_notify({}, kNoConsoleSession), Sessions{});
  EXPECT_EQ(sessions_to_notify({}, 0), Sessions{});
}

TEST(HandOff, AFolderIsRefusedWhenAnOrdinaryGroupIsAllowedToChangeIt) {
  using enum OrdinaryGroup;
  const auto why = [](std::vector<AccessEntry> dacl) {
    return why_ordinary_users_may_change(true, dacl);
  };
  // Wine's Unix modes 755 and 777, other accounts, a folder made under C:\, generic rights.
  EXPECT_EQ(why({{none, 0x1f01ff}, {everyone, 0x1200a9}}), std::nullopt);
  EXPECT_EQ(why({{everyone, 0x1301ff}}),
            u"Everyone is allowed write data, append data, delete children, delete (0x001301FF)");
  EXPECT_EQ(why({{authenticated_users, 0x10004}}),
            u"Authenticated Users is allowed append data, delete (0x00010004)");
  EXPECT_EQ(why({{users, 0x50000000}, {interactive, 0xc0000}}),
            u"BUILTIN\\Users is allowed full control, write (0x50000000)");
  EXPECT_EQ(why_ordinary_users_may_change(false, {}),
            u"it has no DACL, so everyone may do anything with it");
}

TEST(HandOff, TheMarkTakesItsSortedPlaceInTheEnvironment) {
  using namespace std::string_literals;
  EXPECT_EQ(with_variable(u"=C:=C:\\x\0ALLUSERSPROFILE=a\0orvane=b\0Path=c\0"s, u"ORVANE_X=1"),
            u"=C:=C:\\x\0ALLUSERSPROFILE=a\0orvane=b\0ORVANE_X=1\0Path=c\0"s);
  EXPECT_EQ(with_variable(u"a=1\0orvane_x=0\0z=2\0"s, u"ORVANE_X=1"), u"a=1\0ORVANE_X=1\0z=2\0"s);
}

TEST(HandOff, TheStartedNoticeReadsTheSameArgument) {
  const std::u16string program = u"C:\\Program Files\\Orvane Avisos\\OrvaneMessage.exe";
  const std::u16string quoted = u"IT\"aspas\" & ação  " + std::u16string(300, u'z') + u"\t ";
  for (const std::u16string& argument : {quoted, std::u16string(u"X")}) {
    const std::u16string line = handed_on_command_line(program, argument);
    EXPECT_EQ(line, u"\"" + program + u"\" " + argument);
    EXPECT_EQ(argument_text(line), argument);
  }
  // Too long for a command line: the fields read are kept.
  const std::u16string longest = u"XT" + std::u16string(32760, u'm');
  const std::u16string line = handed_on_command_line(program, longest);
  EXPECT_EQ(argument_text(line), longest.substr(0, 197));
  EXPECT_EQ(handed_on_command_line(program, longest.substr(0, 32700)).size(),
            program.size() + 3 + 32700);
}

}  // namespace
}  // namespace notice::win32

namespace notice::win32 {
namespace {

TEST(NoticeTo, AListNamesSessionsByNumberUserConsoleOrAllOrIsAFaultNamingTheItem) {
  const SessionIdentity host[] = {
      {1, u"joao", u"CORP"}, {2, u"JOÃO", u"casa"}, {3, u"maria", u"CORP"}, {4, u"", u""}};
  const auto named = [&](std::u16string_view value) {
    Sessions sessions;
    for (const SessionIdentity& session : host) {
      if (names_session(read_recipients(value).recipients.value(), session, 3)) {
        sessions.push_back(session.id);
      }
    }
    return sessions;
  };
  EXPECT_EQ(named(u"*"), (Sessions{1, 2, 3, 4}));
  EXPECT_EQ(named(u" 2 ,\tConsole"), (Sessions{2, 3}));
  EXPECT_EQ(named(u"joão,MARIA"), (Sessions{2, 3}));  // every session of the user, in any domain
  EXPECT_EQ(named(u"corp\\JOAO,004"), (Sessions{1, 4}));
  EXPECT_EQ(named(u"7,nobody,casa\\maria"), Sessions{});
  EXPECT_FALSE(names_session({.console = true, .sessions = {}, .users = {}},
                             {kNoConsoleSession, u"", u""}, kNoConsoleSession));
  EXPECT_EQ(session_label({2, u"joao", u"CORP"}), u"session 2 (CORP\\joao)");
  EXPECT_EQ(session_label({4294967295, u"", u""}), u"session 4294967295");

  const auto fault = [](std::u16string_view value) { return read_recipients(value).fault; };
  EXPECT_EQ(fault(u"2,,3"), u"item 2 is empty");
  EXPECT_EQ(fault(u"4294967296"),
            u"\"4294967296\" is beyond the largest session number, 4294967295");
  EXPECT_EQ(fault(u"a\tb\x7"), u"\"a?b?\" holds a control character");
  EXPECT_EQ(fault(u"x*"), u"\"x*\" holds \"*\" inside a longer item");
  EXPECT_EQ(fault(u"jo<"), u"\"jo<\" holds the character <");
  EXPECT_EQ(fault(u"a\\b\\c"), u"\"a\\b\\c\" holds more than one \"\\\"");
  EXPECT_EQ(fault(u"\\joao"), u"\"\\joao\" has an empty domain or user name");
  EXPECT_EQ(fault(std::u16string(257, u'a')), u"item 1 is over 256 characters");
  EXPECT_EQ(fault(std::u16string(4097, u'1')), u"the value is over 4096 characters");
  std::u16string many;
  for (int i = 0; i < 64; ++i) {
    many += u"1,";
  }
  EXPECT_EQ(fault(many + u"1"), u"the value has more than 64 items");
  EXPECT_EQ(fault(many.substr(0, 127)), u"");
  EXPECT_EQ(fault(std::u16string(256, u'a') + u",1"), u"");
}

}  // namespace
}  // namespace notice::win32
