#include "command_lines.hpp"

#include <gtest/gtest.h>

#include <string>

namespace bench {
namespace {

TEST(NoticeArgument, PutsEachFieldAtItsPosition) {
  const std::wstring text = notice_argument(L'X', true, L"Sem papel", L"Coloque papel", L"Obs");
  ASSERT_EQ(text.size(), 2 + 65 + 65 + 3U);
  EXPECT_EQ(text.substr(0, 2), L"XT");
  EXPECT_EQ(text.substr(2, 65), L"Sem papel" + std::wstring(56, L' '));
  EXPECT_EQ(text.substr(67, 65), L"Coloque papel" + std::wstring(52, L' '));
  EXPECT_EQ(text.substr(132), L"Obs");
}

TEST(NoticeArgument, UntimedHasABlankFlagAndLongFieldsAreCut) {
  const std::wstring long_field(70, L'a');
  const std::wstring text = notice_argument(L'I', false, long_field, L"", L"");
  ASSERT_EQ(text.size(), 132U);
  EXPECT_EQ(text.substr(0, 2), L"I ");
  EXPECT_EQ(text.substr(2, 65), std::wstring(65, L'a'));
  EXPECT_EQ(text.substr(67), std::wstring(65, L' '));
}

TEST(CommandLine, QuotesTheProgramAndLeavesTheArgumentAlone) {
  EXPECT_EQ(command_line(L"C:\\Avisos\\OrvaneMessage.exe", L"XT  a \"b\""),
            L"\"C:\\Avisos\\OrvaneMessage.exe\" XT  a \"b\"");
  EXPECT_EQ(command_line(L"C:\\b.exe", L""), L"\"C:\\b.exe\"");
}

}  // namespace
}  // namespace bench
