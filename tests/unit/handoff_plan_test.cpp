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

TEST(HandOff, WhatTheProgramRunsAndReadsIsRefusedWhenAnAccountNotTrustedMayChangeIt) {
  constexpr char16_t kOwn[] = u"S-1-5-21-1-2-3-1000";
  const auto why = [&](std::u16string owner, std::vector<AccessEntry> dacl,
                       PlaceKind kind = PlaceKind::program) {
    return why_untrusted_may_change(
        {std::move(owner), true, std::move(dacl)}, kind, kOwn,
        [](std::u16string_view sid) { return sid == u"S-1-1-0" ? u"Everyone" : std::u16string(); });
  };
  // Wine's mode 755 and the install the README gives; trusted accounts may do anything.
  for (const char16_t* owner :
       {kOwn, u"S-1-5-18", u"S-1-5-32-544",
        u"S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464"}) {
    EXPECT_EQ(why(owner, {{u"S-1-5-18", 0x1f01ff, false},
                          {kOwn, 0x1f01ff, false},
                          {u"S-1-5-32-544", 0x10000000, true},
                          {u"S-1-1-0", 0x1200a9, false},
                          {u"S-1-3-0", 0x10000000, true},  // CREATOR OWNER, passed on only
                          {u"S-1-3-4", 0x1301ff, true}}),  // OWNER RIGHTS, the same
              std::nullopt);
  }
  EXPECT_EQ(why(u"S-1-5-7", {}),
            u"it is owned by S-1-5-7, who may give any account any right to it");
  EXPECT_EQ(why(u"S-1-5-21-1-2-3-1001", {}, PlaceKind::folder_above),
            u"it is owned by S-1-5-21-1-2-3-1001, who may give any account any right to it");
  EXPECT_EQ(why(kOwn, {{u"S-1-1-0", 0x1301ff, false}}),
            u"Everyone (S-1-1-0) is allowed write data, append data, delete children, delete "
            u"(0x001301FF)");
  // A named account, Domain Users, "Local account"; what a folder passes on to the sounds.
  EXPECT_EQ(why(kOwn, {{u"S-1-5-21-1-2-3-513", 0x50000000, false}}),
            u"S-1-5-21-1-2-3-513 is allowed full control, write (0x50000000)");
  EXPECT_EQ(why(kOwn, {{u"S-1-5-113", 0xc0000, true}}),
            u"S-1-5-113 is allowed change permissions, take ownership (0x000C0000)");
  EXPECT_EQ(why(kOwn, {{u"S-1-3-0", 0x10004, false}}),
            u"S-1-3-0 is allowed append data, delete (0x00010004)");
  EXPECT_EQ(why(kOwn, {{u"", 0x2, false}}),
            u"an account whose SID cannot be read is allowed write data (0x00000002)");
  EXPECT_EQ(why_untrusted_may_change({kOwn, false, {}}, PlaceKind::folder_above, kOwn, {}),
            u"it has no DACL, so everyone may do anything with it");
}

TEST(HandOff, AFolderAboveIsRefusedOnlyWhereAnAccountNotTrustedMayTakeWhatItHolds) {
  const auto why = [](std::vector<AccessEntry> dacl) {
    return why_untrusted_may_change({u"S-1-5-32-544", true, std::move(dacl)},
                                    PlaceKind::folder_above, u"S-1-5-18",
                                    [](std::u16string_view) { return u"NT AUTHORITY\\X"; });
  };
  // C:\ as Windows sets it: every user may create folders and passes Modify on to them.
  EXPECT_EQ(why({{u"S-1-5-11", 0x4, false},
                 {u"S-1-5-11", 0x1301bf, true},
                 {u"S-1-5-32-545", 0x1200a9, false},
                 {u"S-1-1-0", 0x40000000, false}}),
            std::nullopt);
  EXPECT_EQ(why({{u"S-1-5-11", 0x40, false}}),
            u"NT AUTHORITY\\X (S-1-5-11) is allowed delete children (0x00000040)");
  EXPECT_EQ(why({{u"S-1-1-0", 0x1301ff, false}}),
            u"NT AUTHORITY\\X (S-1-1-0) is allowed delete children, delete (0x001301FF)");
  EXPECT_EQ(why({{u"S-1-5-4", 0x100c0000, false}}),
            u"NT AUTHORITY\\X (S-1-5-4) is allowed change permissions, take ownership, full "
            u"control (0x100C0000)");
}

TEST(HandOff, TheFoldersAboveGoUpToTheVolumesRoot) {
  using Folders = std::vector<std::u16string>;
  EXPECT_EQ(folders_above(u"C:\\Program Files\\Orvane Avisos"),
            (Folders{u"C:\\Program Files", u"C:\\"}));
  EXPECT_EQ(folders_above(u"C:\\Avisos"), Folders{u"C:\\"});
  EXPECT_EQ(folders_above(u"\\\\server\\share\\a\\b"),
            (Folders{u"\\\\server\\share\\a", u"\\\\server\\share\\"}));
  EXPECT_EQ(folders_above(u"\\\\?\\UNC\\server\\share\\a"),
            Folders{u"\\\\?\\UNC\\server\\share\\"});
  EXPECT_EQ(folders_above(u"\\\\?\\D:\\x/y"), (Folders{u"\\\\?\\D:\\x", u"\\\\?\\D:\\"}));
  for (const char16_t* root_or_nothing :
       {u"C:\\", u"\\\\server\\share", u"\\\\server", u"\\\\?\\", u"relative\\path", u"C:", u""}) {
    EXPECT_EQ(folders_above(root_or_nothing), Folders{})
        << std::u16string_view(root_or_nothing).size();
  }
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
