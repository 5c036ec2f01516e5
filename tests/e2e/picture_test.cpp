#include <gtest/gtest.h>

#include "notice_argument.hpp"
#include "notice_fixture.hpp"
#include "notice_layout.hpp"
#include "picture_checks.hpp"

namespace e2e {
namespace {

std::wstring sample_with_kind(wchar_t kind) {
  return notice_argument(kind, L' ', L"Impressao concluida", L"Nenhuma acao necessaria",
                         L"Documento 42");
}

// Kind "I" shows the blue information picture over the red one.
class InformationNotice : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { shared_.show(message_program(), sample_with_kind(L'I')); }
  static void TearDownTestSuite() { shared_.end(); }
  void SetUp() override { ASSERT_NE(shared_.get(), nullptr) << shared_.failure(); }
  static const ScreenImage& image() { return shared_.get()->image; }
  static inline SharedNotice shared_;
};

TEST_F(InformationNotice, ShowsTheBluePicture) { expect_picture(image(), kInformationPicture); }

TEST_F(InformationNotice, KeepsTitleCloseBoxAndTextAboveThePicture) {
  expect_title(image(), kInformationPicture);
  expect_close_box(image());
  for (const int top : {kDateTop, kMessageTop, kSolutionTop, kRemarksTop}) {
    EXPECT_GT(image().count(kLabelLeft, top, kLabelWidth, kLabelHeight, is_ink), 30)
        << "label at y " << top;
  }
}

// Only a capital "I" means information; any other kind is a warning.
class LowerCaseKind : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { shared_.show(message_program(), sample_with_kind(L'i')); }
  static void TearDownTestSuite() { shared_.end(); }
  void SetUp() override { ASSERT_NE(shared_.get(), nullptr) << shared_.failure(); }
  static inline SharedNotice shared_;
};

TEST_F(LowerCaseKind, ShowsTheRedPicture) {
  expect_picture(shared_.get()->image, kWarningPicture);
}

}  // namespace
}  // namespace e2e
