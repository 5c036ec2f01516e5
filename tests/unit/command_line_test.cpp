#include "command_line.hpp"

#include <gtest/gtest.h>

namespace notice {
namespace {

std::u16string repeat(char16_t c, std::size_t n) { return std::u16string(n, c); }

TEST(ReadNotice, FieldsSitAtFixedPositionsAndKeepTheirBlanks) {
  const std::u16string message = u"  Disco cheio" + repeat(u' ', 52);
  const std::u16string solution = u"Libere espaço" + repeat(u' ', 52);
  const std::u16string remarks = u"Obs: \"aspas\" & mais";
  const NoticeFields fields = read_notice(u"IT" + message + solution + remarks);
  EXPECT_EQ(fields.kind, u"I");
  EXPECT_EQ(fields.timer_flag, u"T");
  EXPECT_EQ(fields.message, message);
  EXPECT_EQ(fields.solution, solution);
  EXPECT_EQ(fields.remarks, remarks);
}

TEST(ReadNotice, ShortTextsGiveWhatIsLeftAndEmptyFields) {
  NoticeFields fields = read_notice(u"I");
  EXPECT_EQ(fields.kind, u"I");
  EXPECT_EQ(fields.timer_flag, u"");
  EXPECT_EQ(fields.message, u"");
  EXPECT_EQ(fields.solution, u"");
  EXPECT_EQ(fields.remarks, u"");

  fields = read_notice(u"XTab");
  EXPECT_EQ(fields.message, u"ab");
  EXPECT_EQ(fields.solution, u"");

  // 67 characters end exactly at the message; 68 start the solution.
  fields = read_notice(u"XT" + repeat(u'm', 65) + u"s");
  EXPECT_EQ(fields.message, repeat(u'm', 65));
  EXPECT_EQ(fields.solution, u"s");
  EXPECT_EQ(fields.remarks, u"");
}

TEST(ReadNotice, IgnoresEverythingFromPosition198) {
  const std::u16string text =
      u"XT" + repeat(u'm', 65) + repeat(u's', 65) + repeat(u'r', 65) + repeat(u'!', 53);
  ASSERT_EQ(text.size(), 250U);
  const NoticeFields fields = read_notice(text);
  EXPECT_EQ(fields.remarks, repeat(u'r', 65));
}

TEST(ReadNotice, CountsUtf16UnitsSoASurrogatePairMaySplitAtABoundary) {
  // U+1F600 is two UTF-16 units; placed at positions 67 and 68 it is cut between the fields.
  const std::u16string text = u"XT" + repeat(u'a', 64) + u"\U0001F600" + u"z";
  const NoticeFields fields = read_notice(text);
  EXPECT_EQ(fields.message.size(), 65U);
  EXPECT_EQ(fields.message.back(), u'\xD83D');
  EXPECT_EQ(fields.solution, u"\xDE00z");
}

TEST(ArgumentText, SkipsTheProgramPathAndTheBlanksAfterIt) {
  EXPECT_EQ(argument_text(u"\"C:\\Program Files\\Avisos\\OrvaneMessage.exe\"  XT ola  "),
            u"XT ola  ");
  EXPECT_EQ(argument_text(u"C:\\Avisos\\OrvaneMessage.exe \"IT\" x"), u"\"IT\" x");
  EXPECT_EQ(argument_text(u"OrvaneMessage.exe\tIT"), u"IT");
  EXPECT_EQ(argument_text(u"OrvaneMessage.exe"), u"");
  EXPECT_EQ(argument_text(u"\"C:\\a b\\OrvaneMessage.exe\""), u"");
  EXPECT_EQ(argument_text(u"\"unterminated path"), u"");
  EXPECT_EQ(argument_text(u""), u"");
}

TEST(DateLine, FillsTimeAndDateIntoEitherOrder) {
  EXPECT_EQ(fill_date_line(u"Mensagem transmitida as {time} de {date}", u"09:30:00", u"08/12/2026"),
            u"Mensagem transmitida as 09:30:00 de 08/12/2026");
  EXPECT_EQ(fill_date_line(u"{date} : {time}", u"09:30:00", u"08/12/2026"),
            u"08/12/2026 : 09:30:00");
  // A time text that looks like a placeholder is not expanded again.
  EXPECT_EQ(fill_date_line(u"{time}|{date}", u"{date}", u"d"), u"{date}|d");
}

TEST(JoinPath, NeverDoublesTheSeparatorAtADriveRoot) {
  EXPECT_EQ(join_path(u"C:\\Avisos", u"\\ctrl\\aviso.wav"), u"C:\\Avisos\\ctrl\\aviso.wav");
  EXPECT_EQ(join_path(u"C:\\", u"\\ctrl\\aviso.wav"), u"C:\\ctrl\\aviso.wav");
  EXPECT_EQ(join_path(u"", u"\\ctrl\\aviso.wav"), u"\\ctrl\\aviso.wav");
}

}  // namespace
}  // namespace notice
