// Arguments a caller may pass, well formed or not: every notice must show its fields in their own
// labels (or no window at all for an empty argument) and end normally.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "notice_argument.hpp"
#include "notice_view.hpp"
#include "process.hpp"
#include "program_paths.hpp"

namespace hardening {
namespace {

// CreateProcessW's limit for the whole command line, its terminating null included.
constexpr std::size_t kCommandLineLimit = 32767;

struct Fields {
  std::wstring message;
  std::wstring solution;
  std::wstring remarks;
};

struct ArgumentCase {
  std::string name;
  const NoticeProgram* program;
  std::wstring argument;
  Fields shown;
  bool timed = false;
};

// An argument written as a caller does: kind, timer flag and each field padded with blanks to 65
// units. The notice gets the blanks too; they matter after a lone "&".
ArgumentCase typed(std::string name, const NoticeProgram& program, wchar_t kind, wchar_t timer,
                   const std::wstring& message, const std::wstring& solution,
                   const std::wstring& remarks, bool timed = false) {
  return {std::move(name),
          &program,
          e2e::notice_argument(kind, timer, message, solution, remarks),
          {e2e::padded(message), e2e::padded(solution), e2e::padded(remarks)},
          timed};
}

// `length` units: the tag, then digits, which are narrow enough for a whole field to fit in a
// message label, so that a unit gained or lost at either end shows.
std::wstring text(wchar_t tag, std::size_t length) {
  std::wstring result;
  for (std::size_t i = 0; result.size() < length; ++i) {
    result += i == 0 ? tag : static_cast<wchar_t>(L'0' + i % 10);
  }
  return result;
}

std::wstring repeat(std::wstring_view unit, std::size_t length) {
  std::wstring result;
  while (result.size() < length) {
    result += unit;
  }
  result.resize(length);
  return result;
}

const std::wstring kMessage = text(L'M', 65);
const std::wstring kSolution = text(L'S', 65);
const std::wstring kRemarks = text(L'R', 65);
const std::wstring kAllFields = L"X " + kMessage + kSolution + kRemarks;

// Characters from position 198 on, up to the given total length of the argument.
std::wstring beyond_the_fields(std::size_t total) {
  return kAllFields + repeat(L"Lixo além do fim & %s \"\\ ", total - kAllFields.size());
}

// The longest argument CreateProcessW takes for the program: `"<path>" <argument>`.
std::size_t longest_argument(const NoticeProgram& program) {
  return kCommandLineLimit - 1 - (built(program).size() + 3);
}

constexpr wchar_t kHigh = 0xD83D;  // U+1F600 as a pair of UTF-16 units
constexpr wchar_t kLow = 0xDE00;
constexpr wchar_t kAcute = 0x0301;  // combining acute accent

// A valid UTF-16 text whose pairs and combining sequences straddle 67/68, 132/133 and 197/198.
std::vector<ArgumentCase> straddling(const NoticeProgram& program) {
  const std::wstring m = text(L'a', 64);
  const std::wstring s = text(L'b', 63);
  const std::wstring r = text(L'c', 63);
  return {
      {"a surrogate pair across each boundary",
       &program,
       L"X " + m + kHigh + kLow + s + kHigh + kLow + r + kHigh + kLow + L"tail",
       {m + kHigh, std::wstring{kLow} + s + kHigh, std::wstring{kLow} + r + kHigh}},
      {"a combining mark across each boundary",
       &program,
       L"X " + m + L"e" + kAcute + s + L"e" + kAcute + r + L"e" + kAcute + L"tail",
       {m + L"e", std::wstring{kAcute} + s + L"e", std::wstring{kAcute} + r + L"e"}},
  };
}

std::vector<ArgumentCase> message_cases() {
  const NoticeProgram& p = kMessageNotice;
  std::vector<ArgumentCase> cases{
      {"length 1", &p, L"X", {}},
      {"length 2, timed", &p, L"XT", {}, true},
      {"length 3, information", &p, L"I M", {L"M", L"", L""}},
      {"length 66", &p, L"X " + text(L'M', 64), {text(L'M', 64), L"", L""}},
      {"length 67", &p, L"X " + kMessage, {kMessage, L"", L""}},
      {"length 68", &p, L"X " + kMessage + L"S", {kMessage, L"S", L""}},
      {"length 132", &p, L"X " + kMessage + kSolution, {kMessage, kSolution, L""}},
      {"length 133", &p, L"X " + kMessage + kSolution + L"R", {kMessage, kSolution, L"R"}},
      {"length 197", &p, kAllFields, {kMessage, kSolution, kRemarks}},
      {"length 198", &p, kAllFields + L"Z", {kMessage, kSolution, kRemarks}},
      {"length 250", &p, beyond_the_fields(250), {kMessage, kSolution, kRemarks}},
      {"length 4000", &p, beyond_the_fields(4000), {kMessage, kSolution, kRemarks}},
      {"the longest command line",
       &p,
       beyond_the_fields(longest_argument(p)),
       {kMessage, kSolution, kRemarks}},
      {"a whole surrogate pair ending the message",
       &p,
       L"X " + text(L'M', 63) + kHigh + kLow + L"Solução",
       {text(L'M', 63) + kHigh + kLow, L"Solução", L""}},
      typed("right-to-left text", p, L'X', L' ', L"שלום עולם: המדפסת אינה מגיבה",
            L"مرحبا بالعالم: تحقق من الطابعة", L"Fila 3 עברית 123 عربي"),
      typed("a right-to-left override stays in its own label", p, L'X', L' ',
            L"\u202Eodatluser o abeR", L"Verifique a impressora", L"\u202DFim"),
      typed("tabs, CR and LF", p, L'X', L' ', L"um\tdois\ttrês", L"linha 1\r\nlinha 2",
            L"antes\ndepois\rfim"),
      {"CR and LF across the first boundary",
       &p,
       L"X " + text(L'M', 64) + L"\r\nSolução",
       {text(L'M', 64) + L"\r", L"\nSolução", L""}},
      typed("quotes and backslashes", p, L'X', L' ',
            L"\"C:\\Program Files\\Avisos\\\" \\\\servidor\\fila",
            L"'simples' \"duplas\" \\\"escapadas\\\"", L"\\\\\\\\ \"\""),
      {"an argument that starts with a quote",
       &p,
       L"\" \"Mensagem\" entre aspas\"",
       {L"\"Mensagem\" entre aspas\"", L"", L""}},
      typed("format directives and placeholders", p, L'X', L' ', L"%s%n%x%p%d%% %1 %2!s!",
            L"{time} {date} {0}", L"$(PATH) %PATH% ${HOME}"),
      typed("ampersands", p, L'X', L' ', L"A & B", L"A && B", L"&"),
      {"a lone ampersand ending the argument", &p, L"X Mensagem &", {L"Mensagem &", L"", L""}},
      {"a lone ampersand at position 197",
       &p,
       L"X " + kMessage + kSolution + text(L'R', 64) + L"&Z",
       {kMessage, kSolution, text(L'R', 64) + L"&"}},
      {"blank fields", &p, L"X " + std::wstring(195, L' '), {}},
      typed("control and invisible characters", p, L'X', L' ', L"\x01\x1B[31mvermelho\x7F\x08",
            L"\uFEFF\u200B\uFFFF\uFFFE\u200D", L"linha\u2028separada\u2029fim"),
      typed("a word wider than its label", p, L'X', L' ', std::wstring(65, L'W'),
            std::wstring(65, L'm'), L"ok"),
      typed("timed information notice", p, L'I', L'T', L"Informação", L"Nenhuma ação",
            L"Some sozinho", true),
      typed("a lower-case t is no timer", p, L'X', L't', L"Sem tempo", L"Clique no X", L""),
  };
  for (ArgumentCase& c : straddling(p)) {
    cases.push_back(std::move(c));
  }
  return cases;
}

std::vector<ArgumentCase> print_cases() {
  const NoticeProgram& p = kPrintNotice;
  std::vector<ArgumentCase> cases{
      {"length 1", &p, L"X", {}},
      {"length 2", &p, L"Xt", {}},
      {"length 3", &p, L"X Q", {L"Q", L"", L""}},
      {"length 67", &p, L"X " + kMessage, {kMessage, L"", L""}},
      {"length 68", &p, L"X " + kMessage + L"S", {kMessage, L"S", L""}},
      {"length 133", &p, L"X " + kMessage + kSolution + L"R", {kMessage, kSolution, L"R"}},
      {"length 198", &p, kAllFields + L"Z", {kMessage, kSolution, kRemarks}},
      {"length 4000", &p, beyond_the_fields(4000), {kMessage, kSolution, kRemarks}},
      {"the longest command line",
       &p,
       beyond_the_fields(longest_argument(p)),
       {kMessage, kSolution, kRemarks}},
      typed("right-to-left text", p, L'X', L' ', L"שלום עולם", L"مرحبا بالعالم", L"abc עברית 123"),
      typed("other scripts", p, L'X', L' ', L"日本語の文書", L"Ελληνικά και Русский",
            L"한국어 ✓ €"),
      typed("tabs, CR and LF", p, L'X', L' ', L"a\tb\tc", L"linha 1\r\nlinha 2", L"x\ny"),
      typed("format directives and ampersands", p, L'X', L' ', L"%s%n%x", L"A && B &",
            L"Tom&Jerry"),
      {"blank fields", &p, L"X " + std::wstring(195, L' '), {}},
  };
  for (ArgumentCase& c : straddling(p)) {
    cases.push_back(std::move(c));
  }
  return cases;
}

// A notice whose checks are done, still to end: by the click already given or by its timer.
struct Ending {
  std::string name;
  Process process;
  std::chrono::steady_clock::time_point deadline;
};

// Shows the case's notice, checks its place and labels, and gives the click that ends it (none for
// a timed one). The returned process is still to end.
Ending show_and_check(const ArgumentCase& c) {
  SCOPED_TRACE(e2e::narrow(c.program->file_name) + ", " + c.name);
  Process process(built(*c.program), c.argument);
  Ending ending{e2e::narrow(c.program->file_name) + ", " + c.name, std::move(process),
                std::chrono::steady_clock::now() + 10s};
  ShownWindow shown;
  try {
    shown = wait_until_shown(ending.process);
  } catch (const std::exception& e) {
    ADD_FAILURE() << e.what();
    return ending;
  }
  const RECT expected = expected_rect(*c.program);
  EXPECT_TRUE(EqualRect(&shown.facts.window, &expected))
      << "window at " << shown.facts.window.left << "," << shown.facts.window.top << " "
      << e2e::width(shown.facts.window) << "x" << e2e::height(shown.facts.window);
  const LabelBox& date = c.program->date;
  EXPECT_GT(
      shown.image.count(date.left, date.top, std::min(date.width, c.program->width - date.left),
                        date.height, e2e::is_ink),
      20)
      << "no date line";
  EXPECT_TRUE(label_shows(shown.image, *c.program, c.program->message, c.shown.message))
      << "message label";
  EXPECT_TRUE(label_shows(shown.image, *c.program, c.program->solution, c.shown.solution))
      << "solution label";
  EXPECT_TRUE(label_shows(shown.image, *c.program, c.program->remarks, c.shown.remarks))
      << "remarks label";
  if (c.timed) {
    // Later notices cover it while its timer runs; the slide-out takes a few seconds more.
    ending.deadline = std::chrono::steady_clock::now() + c.program->timer + 25s;
  } else {
    click_close_box(*c.program, shown.window);
  }
  return ending;
}

TEST(BadArguments, EmptyAndBlankArgumentsEndAtOnceWithoutAWindow) {
  struct Quiet {
    std::string name;
    Process process;
    bool window_seen = false;
  };
  std::vector<Quiet> quiet;
  quiet.push_back({"OrvaneMessage, empty", Process(built(kMessageNotice), L"")});
  quiet.push_back({"OrvanePag, empty", Process(built(kPrintNotice), L"")});
  // The blanks after the program path only separate it from the argument.
  quiet.push_back(
      {"OrvaneMessage, 197 blanks", Process(built(kMessageNotice), std::wstring(197, L' '))});
  quiet.push_back({"OrvanePag, 3 blanks", Process(built(kPrintNotice), L"   ")});
  e2e::wait_until(
      [&] {
        bool any_running = false;
        for (Quiet& q : quiet) {
          for (HWND window : e2e::top_level_windows_of(q.process.id())) {
            q.window_seen = q.window_seen || IsWindowVisible(window) != 0;
          }
          any_running = any_running || q.process.running();
        }
        return !any_running;
      },
      10s, 2ms);
  for (const Quiet& q : quiet) {
    EXPECT_EQ(q.process.wait_for_exit(0ms), std::optional<DWORD>{0}) << q.name;
    EXPECT_FALSE(q.window_seen) << q.name;
  }
}

// One notice at a time is checked, as they all open at the same place, later above earlier; each
// is left to end while the next one starts.
TEST(BadArguments, EachShowsItsFieldsInTheirLabelsAndEndsNormally) {
  std::vector<ArgumentCase> cases;
  // The timed print notice first: its 30 seconds run out while the others are checked, beneath
  // the later notices.
  cases.push_back(typed("timed", kPrintNotice, L'X', L'T', L"Impressão em andamento", L"Aguarde",
                        L"Fecha sozinho", true));
  for (ArgumentCase& c : message_cases()) {
    cases.push_back(std::move(c));
  }
  for (ArgumentCase& c : print_cases()) {
    cases.push_back(std::move(c));
  }

  std::vector<Ending> endings;
  for (const ArgumentCase& c : cases) {
    endings.push_back(show_and_check(c));
  }
  for (Ending& ending : endings) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        ending.deadline - std::chrono::steady_clock::now());
    EXPECT_EQ(ending.process.wait_for_exit(std::max(left, std::chrono::milliseconds(0))),
              std::optional<DWORD>{0})
        << ending.name << ": did not end normally";
  }
  RecordProperty("arguments", static_cast<int>(cases.size()) + 4);
}

}  // namespace
}  // namespace hardening
