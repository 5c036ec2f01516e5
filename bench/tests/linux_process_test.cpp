#include "linux_process.hpp"

#include <gtest/gtest.h>

#include <string>

namespace bench {
namespace {

using namespace std::string_literals;

TEST(IsCommand, MatchesWineArgumentsWordByWord) {
  const std::string cmdline = "Z:\\work\\bin\\OrvaneMessage.exe\0XT\0Sem\0papel\0Coloque\0papel\0"s;
  EXPECT_TRUE(
      is_command(cmdline, "\"Z:\\work\\bin\\OrvaneMessage.exe\" XT  Sem papel    Coloque papel"));
  // Another run of the same program with another text, as the end-to-end tests start.
  EXPECT_FALSE(is_command(cmdline, "\"Z:\\work\\bin\\OrvaneMessage.exe\" XT  Sem toner"));
  EXPECT_FALSE(
      is_command(cmdline, "\"Z:\\other\\bin\\OrvaneMessage.exe\" XT  Sem papel    Coloque papel"));
  EXPECT_FALSE(is_command(cmdline, ""));
}

TEST(CpuFromStat, AddsUserAndSystemTimeAfterTheProgramName) {
  // Fields 14 and 15 are 7 and 5 ticks; the name holds a blank and a parenthesis.
  const std::string stat =
      "5015 (Orvane (x) e) S 1 4948 15376 0 -1 4194304 2258 0 0 0 7 5 0 0 20 0 1 0 927545\n";
  ASSERT_TRUE(cpu_ms_from_stat(stat, 100));
  EXPECT_DOUBLE_EQ(*cpu_ms_from_stat(stat, 100), 120.0);
}

TEST(CpuFromStat, RefusesWhatIsNotAStatLine) {
  EXPECT_FALSE(cpu_ms_from_stat("", 100));
  EXPECT_FALSE(cpu_ms_from_stat("5015 (a) S 1 2 3", 100));
  EXPECT_FALSE(cpu_ms_from_stat("5015 (a) S 1 4948 15376 0 -1 4194304 2258 0 0 0 x 5 0", 100));
}

}  // namespace
}  // namespace bench
