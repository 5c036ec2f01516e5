#include <gtest/gtest.h>

#include <memory>

#include "notice_argument.hpp"
#include "notice_fixture.hpp"
#include "notice_layout.hpp"
#include "picture_checks.hpp"
#include "text_reference.hpp"

namespace e2e {
namespace {

// A warning notice with a blank solution, shown while an application of the user's has the
// foreground.
class WarningNotice : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    user_ = std::make_unique<ForegroundWindow>();
    user_was_foreground_ = user_->is_foreground();
    shared_.show(message_program(),
                 notice_argument(L'X', L' ', L"Falha ao enviar o documento para a impressora",
                                 L"", L"Verifique o cabo da impressora"));
  }
  static void TearDownTestSuite() {
    shared_.end();
    user_.reset();
  }
  void SetUp() override { ASSERT_NE(shared_.get(), nullptr) << shared_.failure(); }

  static const ShownNotice& notice() { return *shared_.get(); }

  static inline SharedNotice shared_;
  static inline std::unique_ptr<ForegroundWindow> user_;
  static inline bool user_was_foreground_ = false;
};

// Listed by Alt+Tab and the task bar under the name a screen reader gives it, never activated by
// a click.
TEST_F(WarningNotice, IsABorderlessPopupListedByAltTabAndTheTaskBar) {
  const WindowFacts& w = notice().shown;
  EXPECT_NE(w.style & WS_POPUP, 0);
  EXPECT_EQ(w.style & WS_CAPTION, 0) << "no caption and no border";
  EXPECT_EQ(w.style & WS_BORDER, 0);
  EXPECT_EQ(w.style & WS_THICKFRAME, 0);
  EXPECT_EQ(w.style & WS_SYSMENU, 0);
  EXPECT_EQ(w.ex_style & (WS_EX_APPWINDOW | WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE),
            WS_EX_APPWINDOW | WS_EX_NOACTIVATE);
  EXPECT_EQ(GetWindow(notice().window, GW_OWNER), nullptr);
  wchar_t title[64] = {};
  GetWindowTextW(notice().window, title, 64);
  EXPECT_STREQ(title, L"QuorvixSpoolerX - Aviso Importante");
}

TEST_F(WarningNotice, ClientAreaIsTheWholeWindow) {
  const WindowFacts& w = notice().shown;
  EXPECT_EQ(width(w.client), kNoticeWidth);
  EXPECT_EQ(height(w.client), kNoticeHeight);
  EXPECT_EQ(w.window.left, w.client.left);
  EXPECT_EQ(w.window.top, w.client.top);
  EXPECT_EQ(w.window.right, w.client.right);
  EXPECT_EQ(w.window.bottom, w.client.bottom);
}

TEST_F(WarningNotice, FadesInFromTransparentToOpaque) {
  EXPECT_NE(notice().first_seen.ex_style & WS_EX_LAYERED, 0)
      << "visible before it was made layered: it would flash opaque";
  // The fade takes a few hundred milliseconds under Wine; the window is found within a few.
  ASSERT_TRUE(notice().first_seen.alpha.has_value());
  EXPECT_LE(*notice().first_seen.alpha, 64) << "already nearly opaque when it appeared";
  ASSERT_TRUE(notice().shown.alpha.has_value());
  EXPECT_EQ(*notice().shown.alpha, 255);
  EXPECT_NE(notice().shown.layered_flags & LWA_ALPHA, 0u);
}

TEST_F(WarningNotice, IsTopMost) { EXPECT_NE(notice().shown.ex_style & WS_EX_TOPMOST, 0); }

TEST_F(WarningNotice, LeavesTheForegroundWithTheUsersApplication) {
  ASSERT_TRUE(user_was_foreground_) << "the test could not put its own window in front";
  EXPECT_NE(GetForegroundWindow(), notice().window);
  EXPECT_TRUE(user_->is_foreground());
}

TEST_F(WarningNotice, ShowsTheRedPicture) { expect_picture(notice().image, kWarningPicture); }

TEST_F(WarningNotice, ShowsTheTitleBesideTheExclamationMark) {
  expect_title(notice().image, kWarningPicture);
}

TEST_F(WarningNotice, WritesTheTitleInItsLargerBoldFont) {
  const int w = kTitleStrip.right - kTitleStrip.left;
  const int h = kTitleStrip.bottom - kTitleStrip.top;
  // The picture's mark and the close box share the strip; only the letters between them count.
  const InkMask shown = notice()
                            .image.ink_mask(kTitleStrip.left, kTitleStrip.top, w, h)
                            .right_part(kMarkRight)
                            .left_part(kCloseBox.left);
  const InkMask expected =
      reference_ink(L"         QuorvixSpoolerX - Aviso Importante", kTitleFont, w, h,
                    Ampersands::as_written, kWarningPicture.band)
          .right_part(kMarkRight);
  EXPECT_LE(best_mismatches(shown, expected), 4)
      << "shown:\n" << shown.draw() << "expected:\n" << expected.draw();
}

TEST_F(WarningNotice, ShowsTheCloseBox) { expect_close_box(notice().image); }

TEST_F(WarningNotice, WritesEachFieldInItsOwnLineAndNothingForABlankOne) {
  const ScreenImage& image = notice().image;
  auto ink = [&](int top) { return image.count(kLabelLeft, top, kLabelWidth, kLabelHeight, is_ink); };
  EXPECT_GT(ink(kDateTop), 50) << "date line";
  EXPECT_GT(ink(kMessageTop), 50) << "message";
  EXPECT_EQ(ink(kSolutionTop), 0) << "blank solution";
  EXPECT_GT(ink(kRemarksTop), 50) << "remarks";
}

TEST_F(WarningNotice, WritesTheDateLineBeforeTheTime) {
  const InkMask words =
      reference_ink(L"Mensagem transmitida as", kRegularFont, kLabelWidth, kLabelHeight);
  const InkMask shown = notice().image.ink_mask(kLabelLeft, kDateTop, kLabelWidth, kLabelHeight);
  EXPECT_GT(shown.extent(), words.extent() + 20) << "the time and date follow the words";
  const InkMask shown_words = shown.left_part(words.extent());
  EXPECT_LE(best_mismatches(shown_words, words), 4)
      << "shown:\n" << shown_words.draw() << "expected:\n" << words.draw();
}

}  // namespace
}  // namespace e2e
