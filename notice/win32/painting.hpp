#pragma once

#include <windows.h>

#include <optional>
#include <span>
#include <string>

#include "handles.hpp"
#include "layout.hpp"
#include "pictures.hpp"
#include "pixel_geometry.hpp"

namespace notice::win32 {

// A label as the window shows it now: its layout, the text the logic last set, its font.
struct Label {
  const LabelLayout* layout;
  std::wstring text;
  FontPtr font;
};

// The system's colours while the person has a contrast theme (high contrast) on: then they are
// painted instead of the layout's pictures and colours.
struct SystemColours {
  COLORREF window;
  COLORREF window_text;
  COLORREF button_face;
  COLORREF button_text;
  bool operator==(const SystemColours&) const = default;
};

// Nothing when no contrast theme is on, or the system cannot say.
std::optional<SystemColours> read_contrast_theme();

// Everything one frame shows; the labels in the layout's order, top of the stacking order first.
struct Scene {
  const WindowLayout& layout;
  const PixelScale& scale;
  const Picture& background;
  const Picture* information;  // null when the layout has none
  bool information_visible;
  std::span<const Label> labels;
  std::optional<SystemColours> contrast = std::nullopt;
};

// The font at the scale's dpi: same face, weight and character set at every scale.
FontPtr create_font(const Font& font, const PixelScale& scale);

// Draws the whole client area, of the given size, onto dc.
void paint_scene(HDC dc, int width, int height, const Scene& scene);

}  // namespace notice::win32
