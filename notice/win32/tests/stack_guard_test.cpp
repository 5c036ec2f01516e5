#include <gtest/gtest.h>
#include <windows.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

extern "C" std::uintptr_t __stack_chk_guard;

namespace notice::win32 {
namespace {

constexpr std::uintptr_t kBeforeStartUp = 0x2B992DDFA232ULL;

TEST(StackGuard, TheCanaryIsMadeAtStartUpWithAZeroLowByte) {
  EXPECT_NE(__stack_chk_guard, kBeforeStartUp);
  EXPECT_EQ(__stack_chk_guard & 0xFF, 0U);
  EXPECT_NE(__stack_chk_guard >> 8, 0U);
}

// Opaque to the optimiser, so that the overrun below is neither refused nor optimised away.
__attribute__((noinline)) void fill(char* buffer, std::size_t length) {
  std::memset(buffer, 0x41, length);
}

__attribute__((noinline)) int overrun(std::size_t length) {
  char buffer[16];
  fill(buffer, length);
  return buffer[0];
}

TEST(StackGuardDeathTest, AnOverwrittenCanaryEndsTheProcessWithTheOverrunStatus) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  volatile std::size_t length = 64;
  EXPECT_EXIT(overrun(length),
              ::testing::ExitedWithCode(static_cast<int>(STATUS_STACK_BUFFER_OVERRUN)), "");
}

// The death test's child is a new process: it compares its canary with this one's, which it
// finds in the environment it inherits (it runs this test's body too, but keeps the value set).
TEST(StackGuardDeathTest, EachProcessHasACanaryOfItsOwn) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  constexpr const char* kParentCanary = "NOTICE_TEST_PARENT_CANARY";
  if (std::getenv(kParentCanary) == nullptr) {
    _putenv_s(kParentCanary, std::to_string(__stack_chk_guard).c_str());
  }
  EXPECT_EXIT(std::exit(std::to_string(__stack_chk_guard) == std::getenv(kParentCanary) ? 1 : 0),
              ::testing::ExitedWithCode(0), "");
  _putenv_s(kParentCanary, "");
}

}  // namespace
}  // namespace notice::win32
