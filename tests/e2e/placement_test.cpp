#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "notice_argument.hpp"
#include "notice_fixture.hpp"
#include "notice_layout.hpp"

namespace e2e {
namespace {

// The bottom-right corner of whatever screen the notice appears on. scripts/test runs this suite
// on a second screen size too, and says which one through E2E_EXPECTED_SCREEN ("1024x768").
class Placement : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    shared_.show(message_program(), notice_argument(L'X', L' ', L"Posicao", L"", L""));
  }
  static void TearDownTestSuite() { shared_.end(); }
  void SetUp() override { ASSERT_NE(shared_.get(), nullptr) << shared_.failure(); }
  static inline SharedNotice shared_;
};

TEST_F(Placement, RunsOnTheScreenTheScriptAskedFor) {
  const char* expected = std::getenv("E2E_EXPECTED_SCREEN");
  if (expected == nullptr || *expected == '\0') {
    GTEST_SKIP() << "E2E_EXPECTED_SCREEN not set";
  }
  const std::string actual =
      std::to_string(GetSystemMetrics(SM_CXSCREEN)) + "x" + std::to_string(GetSystemMetrics(SM_CYSCREEN));
  EXPECT_EQ(actual, expected);
}

TEST_F(Placement, SitsAboveTheBottomRightCornerOfTheScreen) {
  const int screen_width = GetSystemMetrics(SM_CXSCREEN);
  const int screen_height = GetSystemMetrics(SM_CYSCREEN);
  const RECT& w = shared_.get()->shown.window;
  EXPECT_EQ(w.left, screen_width - kRightGap);
  EXPECT_EQ(w.top, screen_height - kBottomGap);
  EXPECT_EQ(width(w), kNoticeWidth);
  EXPECT_EQ(height(w), kNoticeHeight);
}

}  // namespace
}  // namespace e2e
