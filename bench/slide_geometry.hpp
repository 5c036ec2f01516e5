#pragma once

// Where a notice rests and how its slide-out moves it, in the notices' own unit: twips, 15 to a
// pixel at 96 dpi. The baseline program moves its window by these numbers, so that it does the
// same window work as a notice, and no more.
namespace bench {

inline constexpr long long kTwipsPerPixel = 15;

struct PixelRect {
  int x;
  int y;
  int width;
  int height;
  bool operator==(const PixelRect&) const = default;
};

struct TwipRect {
  long long left;
  long long top;
  long long width;
  long long height;
  bool operator==(const TwipRect&) const = default;
};

// The nearest pixel, as the notices round.
int twips_to_pixels(long long twips);
PixelRect to_pixels(const TwipRect& rect);

// The bottom-right corner of a screen of the given pixel size: one pixel clear of the right edge
// and 650 twips clear of the bottom, where a task bar may be.
TwipRect resting_place(int screen_width, int screen_height, long long width, long long height);

// Step 1 to start.width of the slide-out: at step k the window is k - 1 twips narrower than at the
// start and has moved 1 + 2 + ... + k twips to the right.
TwipRect slide_step(const TwipRect& start, long long step);

// Whether going from where the window is shown to where it is wanted needs a window call: not
// when nothing changes, nor when both lie wholly beyond the right edge of the desktop.
bool needs_window_call(const PixelRect& shown, const PixelRect& wanted, int desktop_right);

}  // namespace bench
