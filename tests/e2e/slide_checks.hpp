#pragma once

#include "watched_launch.hpp"

namespace e2e {

// Checks (with EXPECT) a timed notice's ending as its watcher saw it: it stayed put until the
// slide began `after` its launch (give or take the tolerance), then moved right while narrowing,
// at its own height, until it was off the screen, and the process ended with exit code 0.
void expect_slides_out(const NoticeWatch& watch, Elapsed after, Elapsed tolerance);

}  // namespace e2e
