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
  EXPECT_EQ(exit_code_after_handing_on(2), 0);
  EXPECT_EQ(exit_code_after_handing_on(0), 3);
}

TEST(HandOff, EveryActiveSessionWithAUserOnceOrElseTheConsole) {
  const std::vector<ListedSession> host{{0, false, false},  {1, true, true}, {2, false, true},
                                        {3, true, false},   {5, true, true}, {5, true, true},
                                        {65536, true, true}};
  EXPECT_EQ(sessions_to_notify(host, 1), (Sessions{1, 5, 65536}));
  // Listed, but nobody signed in and connected: the console is not asked.
  EXPECT_EQ(sessions_to_notify(std::vector<ListedSession>{{0, true, true}, {2, false, true}}, 2),
            Sessions{});
  EXPECT_EQ(sessions_to_notify({}, 1), Sessions{1});
  EXPECT_EQ(sessions_to_notify({}, kNoConsoleSession), Sessions{});
  EXPECT_EQ(sessions_to_notify({}, 0), Sessions{});
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
