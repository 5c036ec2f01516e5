#include "painting.hpp"

#include <ranges>
#include <stdexcept>

#include "pixel_geometry.hpp"

namespace notice::win32 {
namespace {

RECT to_rect(const TwipRect& twips, const PixelScale& scale) {
  const PixelRect pixels = scale.element(twips);
  return {pixels.x, pixels.y, pixels.x + pixels.width, pixels.y + pixels.height};
}

void fill(HDC dc, const RECT& rect, Colour colour) {
  SetDCBrushColor(dc, colour);
  FillRect(dc, &rect, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));
}

// At its natural size: never stretched, whatever lies beyond the clip region is simply cut off.
// Short of GDI objects, the picture is left out and the rest is still drawn.
void draw_picture(HDC dc, const Picture& picture, int x, int y) {
  const DcPtr source(CreateCompatibleDC(dc));
  if (!source) {
    return;
  }
  const SelectedObject selected(source.get(), picture.bitmap.get());
  BitBlt(dc, x, y, picture.width, picture.height, source.get(), 0, 0, SRCCOPY);
}

void draw_label(HDC dc, const Label& label, const PixelScale& scale) {
  const LabelLayout& layout = *label.layout;
  RECT rect = to_rect(layout.rect, scale);
  const int saved = SaveDC(dc);
  IntersectClipRect(dc, rect.left, rect.top, rect.right, rect.bottom);
  if (layout.opaque) {
    fill(dc, rect, layout.background);
  }
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, layout.foreground);
  SelectObject(dc, label.font.get());
  // No DT_NOPREFIX: "&" marks an access key and is hidden, "&&" shows one "&".
  const UINT format =
      DT_TOP | DT_WORDBREAK | (layout.alignment == Alignment::centre ? DT_CENTER : DT_LEFT);
  DrawTextW(dc, label.text.c_str(), static_cast<int>(label.text.size()), &rect, format);
  RestoreDC(dc, saved);
}

}  // namespace

FontPtr create_font(const Font& font, const PixelScale& scale) {
  const std::wstring face(font.face.begin(), font.face.end());
  FontPtr handle(CreateFontW(scale.font_height(font.points), 0, 0, 0, font.weight, FALSE, FALSE,
                             FALSE, ANSI_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                             DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, face.c_str()));
  if (!handle) {
    throw std::runtime_error("painting: CreateFontW failed");
  }
  return handle;
}

void paint_scene(HDC dc, int width, int height, const Scene& scene) {
  fill(dc, RECT{0, 0, width, height}, scene.layout.background);
  draw_picture(dc, scene.background, 0, 0);

  if (scene.information != nullptr && scene.information_visible &&
      scene.layout.information != nullptr) {
    const RECT rect = to_rect(scene.layout.information->rect, scene.scale);
    const int saved = SaveDC(dc);
    IntersectClipRect(dc, rect.left, rect.top, rect.right, rect.bottom);
    draw_picture(dc, *scene.information, rect.left, rect.top);
    RestoreDC(dc, saved);
  }

  for (const Label& label : scene.labels | std::views::reverse) {
    draw_label(dc, label, scene.scale);
  }
}

}  // namespace notice::win32
