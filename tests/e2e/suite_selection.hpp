#pragma once

namespace e2e {

// Whether any test of the suite is selected for this run (by --gtest_filter and the like). Only
// meaningful once the tests have been filtered, e.g. in a global environment's SetUp.
bool suite_will_run(const char* suite);

}  // namespace e2e
