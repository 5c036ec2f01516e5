#pragma once

#include <windows.h>

#include <span>
#include <string>

#include "handles.hpp"
#include "layout.hpp"
#include "pictures.hpp"

namespace notice::win32 {

// A label as the window shows it now: its layout, the text the logic last set, its font.
struct Label {
  const LabelLayout* layout;
  std::wstring text;
  FontPtr font;
};

// Everything one frame shows; the labels in the layout's order, top of the stacking order first.
struct Scene {
  const WindowLayout& layout;
  const Picture& background;
  const Picture* information;  // null when the layout has none
  bool information_visible;
  std::span<const Label> labels;
};

FontPtr create_font(const Font& font);

// Draws the whole client area, of the given size, onto dc.
void paint_scene(HDC dc, int width, int height, const Scene& scene);

}  // namespace notice::win32
