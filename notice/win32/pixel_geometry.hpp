#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "layout.hpp"

// Window-layer arithmetic kept free of <windows.h> so it can be tested without a window.
namespace notice::win32 {

struct PixelRect {
  int x;
  int y;
  int width;
  int height;
  bool operator==(const PixelRect&) const = default;
};

// The display the layouts were drawn for: 96 dots per inch, 15 twips a pixel.
inline constexpr int kLayoutDpi = 96;

// The one mapping from the logic's twips to a display's pixels (1440 twips to the inch). Every
// coordinate goes to the nearest pixel, halves away from zero, and values far outside any screen
// are clamped instead of overflowing. An element of the client area is mapped by its edges, so
// elements that meet in twips meet in pixels, never a pixel apart or overlapping. The window maps
// its place and its size on their own, so its size never depends on where it stands.
class PixelScale {
 public:
  // A dpi no display has (below a quarter or above ten times the layouts') is taken as the
  // layouts' own: a message from another program cannot make a picture of gigabytes.
  constexpr explicit PixelScale(int dpi = kLayoutDpi)
      : dpi_(dpi >= kLayoutDpi / 4 && dpi <= kLayoutDpi * 10 ? dpi : kLayoutDpi) {}
  int dpi() const { return dpi_; }

  int pixels(float twips) const;
  float twips(int pixels) const;
  PixelRect element(const TwipRect& rect) const;
  PixelRect window(const TwipRect& rect) const;
  // The character height of a font of this many points, as a negative LOGFONT height.
  int font_height(float points) const;
  // A picture drawn for `from_dpi`, of `pixels` along one side, shown at this scale.
  int picture_length(int pixels, int from_dpi) const;

 private:
  int dpi_;
};

// The text size the person chose (Settings > Accessibility > Text size), in percent, from the value
// the system stores: none counts as 100, and one outside the settings' 100 to 225 as the nearer
// end.
int text_size_percent(std::optional<std::uint32_t> stored);

// The scale a notice is drawn at: the display's dpi times the text size, to the nearest whole dpi,
// lowered to the largest at which `room` (the window and its margins, in twips) fits the screen of
// `screen_width` x `screen_height` pixels, but never below the display's own scale.
PixelScale notice_scale(int display_dpi, int text_percent, const TwipRect& room, int screen_width,
                        int screen_height);

// The embedded picture scale (in percent) to draw at `dpi`: the smallest that is at least as
// large, so that a picture is only ever scaled down, or the largest when the display is beyond
// them all. `percents` is in increasing order and not empty.
int picture_percent_for(int dpi, std::span<const int> percents);

// Whether moving the window from where it is shown to where the logic wants it needs a system
// call. Once it is wholly beyond the right edge of the desktop, further moves change nothing the
// user can see, and each one costs milliseconds under X11.
bool needs_window_call(const PixelRect& shown, const PixelRect& wanted, int desktop_right);

// The label under a client-area point, top of the stacking order first; images take no input.
std::optional<Element> element_at(const WindowLayout& layout, const PixelScale& scale, int x,
                                  int y);

// The directory part of a module path; a drive root keeps its separator.
std::u16string directory_of(std::u16string_view module_path);

}  // namespace notice::win32
