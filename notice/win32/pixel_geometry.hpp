#pragma once

#include <optional>
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

// Nearest pixel; values far outside any screen are clamped instead of overflowing.
int twips_to_pixels(float twips);
PixelRect to_pixels(const TwipRect& rect);

// Whether moving the window from where it is shown to where the logic wants it needs a system
// call. Once it is wholly beyond the right edge of the desktop, further moves change nothing the
// user can see, and each one costs milliseconds under X11.
bool needs_window_call(const PixelRect& shown, const PixelRect& wanted, int desktop_right);

// The label under a client-area point, top of the stacking order first; images take no input.
std::optional<Element> element_at(const WindowLayout& layout, int x, int y);

// The directory part of a module path; a drive root keeps its separator.
std::u16string directory_of(std::u16string_view module_path);

}  // namespace notice::win32
