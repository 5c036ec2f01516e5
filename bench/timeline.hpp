#pragma once

#include <optional>

#include "slide_geometry.hpp"

namespace bench {

// What one look at the launched program found, in milliseconds since just before it was started.
struct Sample {
  double ms = 0.0;
  bool window = false;       // its window exists
  std::optional<int> alpha;  // the window's layered alpha, once it is layered
  PixelRect rect{};          // where the window is, when it exists
  bool exited = false;       // the process has ended
};

// The moments a run is measured by, each the first sample that showed it. The slide is told
// from the moves a notice makes while it loads by starting only once the window is opaque.
class Timeline {
 public:
  explicit Timeline(int desktop_right) : desktop_right_(desktop_right) {}

  void observe(const Sample& sample);

  std::optional<double> window_seen;    // the window exists
  std::optional<double> fade_started;   // alpha 1 or more
  std::optional<int> first_alpha;       // the alpha seen then: 1 unless a step was missed
  std::optional<double> opaque;         // alpha 255
  std::optional<double> slide_started;  // the first move after opacity
  std::optional<double> off_screen;     // wholly beyond the desktop's right edge, or gone
  std::optional<double> exited;

 private:
  int desktop_right_;
  PixelRect rest_{};
};

}  // namespace bench
