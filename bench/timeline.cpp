#include "timeline.hpp"

namespace bench {

void Timeline::observe(const Sample& sample) {
  if (sample.exited && !exited) {
    exited = sample.ms;
  }
  if (!sample.window) {
    if (slide_started && !off_screen) {
      off_screen = sample.ms;
    }
    return;
  }
  if (!window_seen) {
    window_seen = sample.ms;
  }
  if (sample.alpha && *sample.alpha >= 1 && !fade_started) {
    fade_started = sample.ms;
    first_alpha = *sample.alpha;
  }
  if (!opaque) {
    if (sample.alpha == 255) {
      opaque = sample.ms;
      rest_ = sample.rect;
    }
    return;
  }
  if (!slide_started && sample.rect != rest_) {
    slide_started = sample.ms;
  }
  if (slide_started && !off_screen && sample.rect.x >= desktop_right_) {
    off_screen = sample.ms;
  }
}

}  // namespace bench
