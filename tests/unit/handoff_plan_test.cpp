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
  EXPECT_EQ(exit_code_after_handing_on(Sessions{0, 0}, false), 0);
  EXPECT_EQ(exit_code_after_handing_on(Sessions{0, 0xC0000409, 0}, false), 1);
  EXPECT_EQ(exit_code_after_handing_on(Sessions{0, 0}, true), 1);  // another session was missed
  EXPECT_EQ(exit_code_after_handing_on(Sessions{}, false), 3);
  EXPECT_EQ(exit_code_after_handing_on(Sessions{}, true), 3);
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
