#include <gtest/gtest.h>

#include <exception>
#include <optional>
#include <string>
#include <vector>

#include "desktop_input.hpp"
#include "notice_argument.hpp"
#include "notice_fixture.hpp"
#include "picture_checks.hpp"
#include "slide_checks.hpp"
#include "suite_selection.hpp"
#include "text_reference.hpp"
#include "watched_launch.hpp"

namespace e2e {
namespace {

// The print notice, in pixels from its window's top-left corner.
constexpr int kPrintWidth = 264;
constexpr int kPrintHeight = 402;
constexpr int kPrintRightGap = 265;   // from the screen's right edge to the window's left edge
constexpr int kPrintBottomGap = 445;  // from the screen's bottom edge to the window's top edge
constexpr RECT kPrintCloseBox{236, 4, 259, 19};
constexpr int kTitleLeft = 4;
constexpr int kTitleTop = 4;
constexpr int kTitleRows = 15;
constexpr int kTextLeft = 6;
constexpr int kTextWidth = kPrintWidth - kTextLeft;  // the lines are wider; the window cuts them
constexpr int kDateTop = 30;
constexpr int kMessageTop = 46;
constexpr int kSolutionTop = 62;
constexpr int kRemarksTop = 78;
constexpr int kLineRows = 15;
constexpr int kRemarksRows = 25;
constexpr int kWordsTop = 173;  // the picture's own white words, down to row 252
constexpr int kWordsBottom = 253;

constexpr Rgb kBand{109, 21, 20};
constexpr Rgb kRule{254, 0, 0};
constexpr Rgb kBody{64, 64, 64};

// Tahoma 6.75 pt and 9.75 pt at 96 dots per inch.
constexpr LabelFont kSmallFont{L"Tahoma", 9, 400};
constexpr LabelFont kRemarksFont{L"Tahoma", 13, 400};

const std::wstring kLongMessage(65, L'W');
const std::wstring kSolution = L"Coloque papel na bandeja 2";
// No letter reaches below the line, as in the message, so the heights of their ink compare the
// fonts rather than the letters.
const std::wstring kRemarks = L"Documento 42 na fila";

std::wstring print_argument(wchar_t kind, wchar_t timer_flag = L' ') {
  return notice_argument(kind, timer_flag, kLongMessage, kSolution, kRemarks);
}

// First and last row with ink in a part of the image, in image rows; nothing when there is none.
std::optional<std::pair<int, int>> ink_rows(const ScreenImage& image, int left, int top, int w,
                                            int h) {
  std::optional<std::pair<int, int>> rows;
  for (int y = top; y < top + h; ++y) {
    if (image.count(left, y, w, 1, is_ink) > 0) {
      rows = std::pair{rows ? rows->first : y, y};
    }
  }
  return rows;
}

std::wstring short_date() {
  wchar_t text[64] = {};
  const int written = GetDateFormatEx(LOCALE_NAME_USER_DEFAULT, DATE_SHORTDATE, nullptr, nullptr,
                                      text, 64, nullptr);
  return written > 0 ? std::wstring(text, static_cast<std::size_t>(written - 1)) : std::wstring{};
}

void expect_line_shows(const ScreenImage& image, int top, int rows, const std::wstring& text,
                       const LabelFont& font) {
  const InkMask shown = image.ink_mask(kTextLeft, top, kTextWidth, rows);
  const InkMask expected =
      reference_ink(text, font, kTextWidth, rows, Ampersands::as_written, kBody);
  ASSERT_GT(expected.count(), 0);
  EXPECT_LE(best_mismatches(shown, expected), 3) << "line at row " << top << ", shown:\n"
                                                 << shown.draw() << "expected:\n"
                                                 << expected.draw();
}

// An information notice ("I"), whose kind the print notice ignores, with a message longer than
// the window is wide.
class PrintNotice : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { shared_.show(print_program(), print_argument(L'I')); }
  static void TearDownTestSuite() { shared_.end(); }
  void SetUp() override { ASSERT_NE(shared_.get(), nullptr) << shared_.failure(); }
  static const ShownNotice& notice() { return *shared_.get(); }
  static const ScreenImage& image() { return shared_.get()->image; }
  static inline SharedNotice shared_;
};

TEST_F(PrintNotice, IsABorderlessTopMostPopupAboveTheBottomRightCorner) {
  const WindowFacts& w = notice().shown;
  EXPECT_EQ(w.window.left, GetSystemMetrics(SM_CXSCREEN) - kPrintRightGap);
  EXPECT_EQ(w.window.top, GetSystemMetrics(SM_CYSCREEN) - kPrintBottomGap);
  EXPECT_EQ(width(w.window), kPrintWidth);
  EXPECT_EQ(height(w.window), kPrintHeight);
  EXPECT_TRUE(EqualRect(&w.window, &w.client)) << "the client area is not the whole window";

  EXPECT_NE(w.style & WS_POPUP, 0);
  EXPECT_EQ(w.style & (WS_CAPTION | WS_BORDER | WS_THICKFRAME | WS_SYSMENU), 0);
  EXPECT_EQ(w.ex_style & (WS_EX_APPWINDOW | WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE),
            WS_EX_APPWINDOW | WS_EX_NOACTIVATE)
      << "listed by Alt+Tab and the task bar, never activated by a click";
  EXPECT_NE(w.ex_style & WS_EX_TOPMOST, 0);
  EXPECT_NE(w.ex_style & WS_EX_LAYERED, 0);
  EXPECT_EQ(w.alpha, std::optional<BYTE>{255});
  EXPECT_LE(notice().first_seen.alpha.value_or(255), 64) << "did not fade in";
}

TEST_F(PrintNotice, ShowsThePrintPicture) {
  ASSERT_EQ(image().width(), kPrintWidth);
  ASSERT_EQ(image().height(), kPrintHeight);
  struct Spot {
    int x;
    int y;
    Rgb colour;
  };
  // Clear of the title, the close box, the lines and the picture's words.
  constexpr Spot kSpots[] = {
      {2, 0, kBand},     {120, 0, kBand},  {262, 1, kBand},   {2, 22, kBand},    {150, 22, kBand},
      {262, 22, kBand},  {262, 10, kBand}, {5, 24, kRule},    {60, 24, kRule},   {150, 24, kRule},
      {262, 24, kRule},  {3, 50, kBody},   {130, 110, kBody}, {250, 140, kBody}, {20, 260, kBody},
      {130, 300, kBody}, {5, 395, kBody},  {263, 200, kBody}, {250, 400, kBody},
  };
  for (const Spot& s : kSpots) {
    const Rgb actual = image().at(s.x, s.y);
    EXPECT_TRUE(close_to(actual, s.colour, kColourTolerance))
        << s.x << "," << s.y << " is " << describe(actual) << ", expected " << describe(s.colour);
  }
  EXPECT_GE(image().count(0, kWordsTop, kPrintWidth, kWordsBottom - kWordsTop, is_ink), 400)
      << "the picture's white words";
  const int below_lines = kRemarksTop + kRemarksRows;
  EXPECT_EQ(image().count(0, below_lines, kPrintWidth, kWordsTop - below_lines, is_ink), 0)
      << "ink between the lines and the picture's words";
  EXPECT_EQ(image().count(0, kWordsBottom, kPrintWidth, kPrintHeight - kWordsBottom, is_ink), 0)
      << "ink below the picture's words";
}

// Under Wine, Tahoma draws the same letters in bold as in regular at 13 pixels, so this compares
// the text, its place and its size, not its weight.
TEST_F(PrintNotice, ShowsItsTitleBesideTheCloseBox) {
  expect_close_box(image(), kPrintCloseBox);
  const int w = kPrintCloseBox.left - kTitleLeft;
  const InkMask shown = image().ink_mask(kTitleLeft, kTitleTop, w, kTitleRows);
  const InkMask expected = reference_ink(L":: QuorvixSpoolerX", kTitleFont, w, kTitleRows,
                                         Ampersands::as_written, kBand);
  EXPECT_LE(best_mismatches(shown, expected), 4) << "shown:\n"
                                                 << shown.draw() << "expected:\n"
                                                 << expected.draw();
}

TEST_F(PrintNotice, WritesTheDateThenTheTimeInTheSmallFont) {
  const std::wstring date = short_date();
  ASSERT_FALSE(date.empty());
  const InkMask words = reference_ink(date + L" : ", kSmallFont, kTextWidth, kLineRows,
                                      Ampersands::as_written, kBody);
  const InkMask shown = image().ink_mask(kTextLeft, kDateTop, kTextWidth, kLineRows);
  EXPECT_GT(shown.extent(), words.extent() + 15) << "the time follows the date";
  const InkMask shown_words = shown.left_part(words.extent());
  EXPECT_LE(best_mismatches(shown_words, words), 3) << "shown:\n"
                                                    << shown_words.draw() << "expected:\n"
                                                    << words.draw();
}

TEST_F(PrintNotice, WritesTheSolutionSmallAndTheRemarksLarger) {
  expect_line_shows(image(), kSolutionTop, kLineRows, kSolution, kSmallFont);
  expect_line_shows(image(), kRemarksTop, kRemarksRows, kRemarks, kRemarksFont);

  const auto message = ink_rows(image(), kTextLeft, kMessageTop, kTextWidth, kLineRows);
  const auto remarks = ink_rows(image(), kTextLeft, kRemarksTop, kTextWidth, kRemarksRows);
  ASSERT_TRUE(message && remarks);
  const int message_rows = message->second - message->first + 1;
  const int remarks_rows = remarks->second - remarks->first + 1;
  RecordProperty("message_ink_rows", message_rows);
  RecordProperty("remarks_ink_rows", remarks_rows);
  EXPECT_GE(remarks_rows, message_rows + 2) << "13-pixel remarks against the 9-pixel message";
  EXPECT_GE(remarks->first, kRemarksTop);
  EXPECT_LT(remarks->second, kRemarksTop + kRemarksRows);
}

TEST_F(PrintNotice, CutsALongLineAtTheWindowEdge) {
  const InkMask row = image().ink_mask(0, kMessageTop, kPrintWidth, kLineRows);
  RecordProperty("message_ink_extent", row.extent());
  EXPECT_GE(row.extent(), kPrintWidth - 6) << "a line of 65 W ends short of the window edge:\n"
                                           << row.draw();
  // Nothing of it is wrapped onto a second line: the next line shows the solution alone.
  expect_line_shows(image(), kSolutionTop, kLineRows, kSolution, kSmallFont);
}

TEST_F(PrintNotice, LooksTheSameWhateverTheKind) {
  const ShownNotice warning = show_notice(print_program(), print_argument(L'X'));
  ASSERT_TRUE(EqualRect(&warning.shown.window, &notice().shown.window));
  int differ = 0;
  std::string first;
  for (int y = 0; y < kPrintHeight; ++y) {
    if (y >= kDateTop && y < kDateTop + kLineRows) {
      continue;  // the time's seconds may have moved on
    }
    for (int x = 0; x < kPrintWidth; ++x) {
      if (warning.image.at(x, y) != image().at(x, y) && differ++ == 0) {
        first = std::to_string(x) + "," + std::to_string(y) + ": " + describe(image().at(x, y)) +
                " with \"I\", " + describe(warning.image.at(x, y)) + " with \"X\"";
      }
    }
  }
  EXPECT_EQ(differ, 0) << "pixels differ, first " << first;
}

// Last in the suite: it ends the notice.
TEST_F(PrintNotice, EndsOnAClickOnTheCloseBox) {
  const RECT& w = notice().shown.window;
  click_at(w.left + (kPrintCloseBox.left + kPrintCloseBox.right) / 2,
           w.top + (kPrintCloseBox.top + kPrintCloseBox.bottom) / 2);
  EXPECT_EQ(notice().process.wait_for_exit(1s), std::optional<DWORD>{0});
}

// A timed print notice, started before any test so that its thirty seconds overlap the others.
class PrintTimer : public ::testing::Environment {
 public:
  void SetUp() override {
    if (!suite_will_run("TimedPrintNotice")) {
      return;
    }
    try {
      timed_.emplace(
          print_program(), print_argument(L'X', L'T'),
          WatchPlan{
              .watch_for = 60s, .closely_from = 29s, .end_after_watch = true, .when_shown = {}});
      // On top before the first test starts, so that every notice a test shows comes above it.
      timed_->wait_until_shown(kWindowTimeout + kFadeTimeout);
    } catch (const std::exception& e) {
      failure_ = e.what();
    }
  }
  void TearDown() override { timed_.reset(); }
  // Why the notice could not be started; empty when it was.
  const std::string& failure() const { return failure_; }
  bool started() const { return timed_.has_value(); }
  WatchedLaunch& timed() { return *timed_; }

 private:
  std::string failure_;
  std::optional<WatchedLaunch> timed_;
};

PrintTimer* const print_timer =
    static_cast<PrintTimer*>(::testing::AddGlobalTestEnvironment(new PrintTimer));

TEST(TimedPrintNotice, SlidesOutThirtySecondsAfterLaunchAndEnds) {
  ASSERT_EQ(print_timer->failure(), "");
  ASSERT_TRUE(print_timer->started());
  expect_slides_out(print_timer->timed().result(), 30s, 500ms);
}

}  // namespace
}  // namespace e2e
