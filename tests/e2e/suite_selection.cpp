#include "suite_selection.hpp"

#include <gtest/gtest.h>

#include <cstring>

namespace e2e {

bool suite_will_run(const char* suite) {
  const ::testing::UnitTest& tests = *::testing::UnitTest::GetInstance();
  for (int i = 0; i < tests.total_test_suite_count(); ++i) {
    const ::testing::TestSuite& candidate = *tests.GetTestSuite(i);
    if (std::strcmp(candidate.name(), suite) == 0) {
      return candidate.test_to_run_count() > 0;
    }
  }
  return false;
}

}  // namespace e2e
