#pragma once

#include "layout.hpp"

namespace notice::win32 {

// The whole program for one notice variant: its window, its events, its message loop. Returns
// the exit code; a failure ends the process with exit code 1 instead.
int run(const Variant& variant);

}  // namespace notice::win32
