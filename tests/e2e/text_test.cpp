#include <gtest/gtest.h>

#include <string>

#include "notice_argument.hpp"
#include "notice_fixture.hpp"
#include "notice_layout.hpp"
#include "text_reference.hpp"

namespace e2e {
namespace {

// Characters from position 198 on are not part of any field.
const std::wstring kBeyondTheFields(53, L'W');

// Accents, quotes and ampersands as a user types them, in an argument that runs to 250 characters.
class NoticeText : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    const std::wstring argument =
        notice_argument(L'X', L' ', L"Ação é necessária: não desligue", 
                        L"Use \"Imprimir\" && depois 'OK'", L"Tom&Jerry") +
        kBeyondTheFields;
    shared_.show(message_program(), argument);
  }
  static void TearDownTestSuite() { shared_.end(); }
  void SetUp() override { ASSERT_NE(shared_.get(), nullptr) << shared_.failure(); }

  // Compares the letters of a label with the text drawn by the test itself in the same font.
  static void expect_label_shows(int top, const std::wstring& text, const LabelFont& font,
                                 int tolerance, Ampersands ampersands = Ampersands::as_written) {
    const InkMask shown = shared_.get()->image.ink_mask(kLabelLeft, top, kLabelWidth, kLabelHeight);
    const InkMask expected = reference_ink(text, font, kLabelWidth, kLabelHeight, ampersands);
    ASSERT_GT(expected.count(), 0);
    EXPECT_LE(best_mismatches(shown, expected), tolerance)
        << "shown:\n" << shown.draw() << "expected:\n" << expected.draw();
  }

  static inline SharedNotice shared_;
};

TEST_F(NoticeText, ShowsAccentedLettersAsTyped) {
  expect_label_shows(kMessageTop, L"Ação é necessária: não desligue", kBoldFont, 2);
}

TEST_F(NoticeText, ShowsQuotesAndADoubleAmpersandAsOneAmpersand) {
  expect_label_shows(kSolutionTop, L"Use \"Imprimir\" & depois 'OK'", kRegularFont, 2);
}

TEST_F(NoticeText, HidesALoneAmpersandAndIgnoresEverythingAfterPosition197) {
  // The ampersand itself is not drawn; it underlines the "J".
  expect_label_shows(kRemarksTop, L"Tom&Jerry", kRegularFont, 2, Ampersands::as_access_keys);
}

}  // namespace
}  // namespace e2e
