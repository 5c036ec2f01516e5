#include "screen_reader.hpp"

#include <gtest/gtest.h>
#include <oleacc.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <optional>
#include <string>
#include <thread>

#include "notice_argument.hpp"
#include "notice_fixture.hpp"
#include "program_paths.hpp"

namespace e2e {
namespace {

using Clock = std::chrono::steady_clock;

// What a reader should hear of a notice: its title, then the date line (which holds the clock's
// time, so only a part of it is known) and the other lines.
struct Spoken {
  std::wstring name;
  std::wstring date_line_part;
  std::wstring other_lines;
};

std::wstring after_first_line(const std::wstring& text) {
  const std::size_t end = text.find(L'\n');
  return end == std::wstring::npos ? std::wstring() : text.substr(end + 1);
}

// A notice is started while the user's application has the foreground; a screen reader hears it
// once, when it is shown and on top, reads it, and closes it with the close box's default action.
void expect_announced_and_closed(const std::wstring& program, const std::wstring& argument,
                                 const Spoken& expected) {
  const ForegroundWindow user;
  ASSERT_TRUE(user.is_foreground()) << "the test could not put its own window in front";
  const ScreenReader reader;
  const NoticeProcess process(program, argument);
  ASSERT_TRUE(reader.wait_for_alert_of(process.id(), kWindowTimeout + kFadeTimeout))
      << "no alert from the notice";
  // A second alert would follow the first at once.
  std::this_thread::sleep_for(1s);
  const std::vector<SeenAlert> alerts = reader.alerts_of(process.id());
  ASSERT_EQ(alerts.size(), 1U);
  const SeenAlert& alert = alerts.front();
  EXPECT_EQ(alert.object, OBJID_CLIENT);
  EXPECT_EQ(alert.child, CHILDID_SELF);
  EXPECT_TRUE(alert.facts.visible);
  EXPECT_NE(alert.facts.ex_style & WS_EX_TOPMOST, 0) << "alerted before it was on top";
  EXPECT_EQ(alert.facts.alpha, std::optional<BYTE>{255}) << "alerted before it had faded in";

  const AccessibleReading& read = alert.reading;
  ASSERT_EQ(read.result, S_OK) << "the reader could not get the notice's object";
  std::printf("reader heard: role %ld, name \"%s\", description \"%s\"\n", read.role,
              narrow(read.name).c_str(), narrow(read.description).c_str());
  EXPECT_EQ(read.role, ROLE_SYSTEM_ALERT);
  EXPECT_EQ(read.name, expected.name);
  EXPECT_NE(read.description.find(expected.date_line_part), std::wstring::npos);
  EXPECT_LT(read.description.find(expected.date_line_part), read.description.find(L'\n'));
  EXPECT_EQ(after_first_line(read.description), expected.other_lines);
  EXPECT_EQ(read.state & (STATE_SYSTEM_FOCUSABLE | STATE_SYSTEM_FOCUSED), STATE_SYSTEM_FOCUSABLE);
  EXPECT_EQ(read.children, 1);
  EXPECT_EQ(read.child_role, ROLE_SYSTEM_PUSHBUTTON);
  EXPECT_EQ(read.child_name, L"Fechar");

  const std::vector<HWND> foregrounds = reader.foregrounds();
  EXPECT_EQ(std::count(foregrounds.begin(), foregrounds.end(), alert.window), 0)
      << "the notice became the foreground window";
  EXPECT_NE(alert.foreground, alert.window);
  EXPECT_TRUE(user.is_foreground()) << "the notice or its reading took the foreground";

  Clock::time_point pressed;
  EXPECT_EQ(press_child(alert.window, 1, pressed), S_OK);
  const std::optional<DWORD> code = process.wait_for_exit(1s);
  ASSERT_TRUE(code.has_value()) << "still running a second after the close box was pressed";
  const auto took = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - pressed);
  ::testing::Test::RecordProperty("milliseconds", static_cast<int>(took.count()));
  std::printf("ended %d ms after the close box was pressed\n", static_cast<int>(took.count()));
  EXPECT_LE(took, 300ms);
  EXPECT_EQ(*code, 0U);
}

TEST(ScreenReader, HearsAMessageNoticeOnceAndClosesIt) {
  // A lone "&" marks an access key and is not read, "&&" reads as one; a blank line is skipped.
  expect_announced_and_closed(
      message_program(),
      notice_argument(L'X', L' ', L"Toner && papel em falta", L"", L"Chamado &1234"),
      {L"QuorvixSpoolerX - Aviso Importante", L"Mensagem transmitida as ",
       L"Toner & papel em falta\nChamado 1234"});
}

TEST(ScreenReader, HearsAPrintNoticeOnceAndClosesIt) {
  expect_announced_and_closed(
      print_program(),
      notice_argument(L'X', L' ', L"Imprimindo relatorio", L"Aguarde", L"Impressora 2"),
      {L":: QuorvixSpoolerX", L" : ", L"Imprimindo relatorio\nAguarde\nImpressora 2"});
}

TEST(ScreenReader, HearsNothingOfAnEmptyArgument) {
  const ScreenReader reader;
  for (const std::wstring& program : {message_program(), print_program()}) {
    const NoticeProcess process(program, L"");
    ASSERT_TRUE(process.wait_for_exit(kWindowTimeout).has_value());
    // Long enough for an alert on its way to arrive.
    std::this_thread::sleep_for(500ms);
    EXPECT_TRUE(reader.alerts_of(process.id()).empty()) << narrow(program);
  }
}

}  // namespace
}  // namespace e2e
