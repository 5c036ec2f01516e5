#include "slide_geometry.hpp"

#include <cmath>

namespace bench {

int twips_to_pixels(long long twips) {
  return static_cast<int>(std::lround(static_cast<double>(twips) / kTwipsPerPixel));
}

PixelRect to_pixels(const TwipRect& rect) {
  return {twips_to_pixels(rect.left), twips_to_pixels(rect.top), twips_to_pixels(rect.width),
          twips_to_pixels(rect.height)};
}

TwipRect resting_place(int screen_width, int screen_height, long long width, long long height) {
  constexpr long long kRightMargin = 15;
  constexpr long long kBottomMargin = 650;
  return {screen_width * kTwipsPerPixel - width - kRightMargin,
          screen_height * kTwipsPerPixel - height - kBottomMargin, width, height};
}

TwipRect slide_step(const TwipRect& start, long long step) {
  return {start.left + step * (step + 1) / 2, start.top, start.width - (step - 1), start.height};
}

bool needs_window_call(const PixelRect& shown, const PixelRect& wanted, int desktop_right) {
  if (shown == wanted) {
    return false;
  }
  return shown.x < desktop_right || wanted.x < desktop_right;
}

}  // namespace bench
