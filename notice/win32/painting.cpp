#include "painting.hpp"

#include <algorithm>
#include <cmath>
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

// Inside the rectangle's edges, `thickness` pixels wide.
void frame(HDC dc, const RECT& rect, int thickness, Colour colour) {
  const auto [left, top, right, bottom] = rect;
  fill(dc, {left, top, right, top + thickness}, colour);
  fill(dc, {left, bottom - thickness, right, bottom}, colour);
  fill(dc, {left, top, left + thickness, bottom}, colour);
  fill(dc, {right - thickness, top, right, bottom}, colour);
}

// One pixel of the layouts, at the scale: the frames of a contrast theme.
int layout_pixel(const PixelScale& scale) { return std::max(1, scale.pixels(kTwipsPerPixel)); }

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

FontPtr make_font(const Font& font, const PixelScale& scale) {
  const std::wstring face(font.face.begin(), font.face.end());
  return FontPtr(CreateFontW(scale.font_height(font.points), 0, 0, 0, font.weight, FALSE, FALSE,
                             FALSE, ANSI_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                             DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, face.c_str()));
}

// What a label is drawn in: its letters, and the box it fills and frames, if any.
struct LabelColours {
  Colour text;
  std::optional<Colour> box;
  std::optional<Colour> box_frame;
};

LabelColours colours_of(const LabelLayout& layout, const std::optional<SystemColours>& contrast) {
  if (!contrast) {
    return {layout.foreground, layout.opaque ? std::optional(layout.background) : std::nullopt,
            std::nullopt};
  }
  // The close box is a button, and looks like one in the theme.
  if (layout.id == Element::Label5) {
    return {contrast->button_text, contrast->button_face, contrast->button_text};
  }
  return {contrast->window_text, std::nullopt, std::nullopt};
}

void draw_label(HDC dc, const Label& label, const PixelScale& scale, const LabelColours& colours) {
  const LabelLayout& layout = *label.layout;
  RECT rect = to_rect(layout.rect, scale);
  const int saved = SaveDC(dc);
  IntersectClipRect(dc, rect.left, rect.top, rect.right, rect.bottom);
  if (colours.box) {
    fill(dc, rect, *colours.box);
  }
  if (colours.box_frame) {
    frame(dc, rect, layout_pixel(scale), *colours.box_frame);
  }
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, colours.text);
  SelectObject(dc, label.font.get());
  // No DT_NOPREFIX: "&" marks an access key and is hidden, "&&" shows one "&".
  const UINT format =
      DT_TOP | DT_WORDBREAK | (layout.alignment == Alignment::centre ? DT_CENTER : DT_LEFT);
  DrawTextW(dc, label.text.c_str(), static_cast<int>(label.text.size()), &rect, format);
  RestoreDC(dc, saved);
}

struct Point {
  double x;
  double y;
};

// A solid shape in one colour: the brush alone, no pen around it.
void fill_polygon(HDC dc, std::span<const Point> points, Colour colour) {
  POINT corners[3]{};
  const std::size_t count = std::min(points.size(), std::size(corners));
  for (std::size_t i = 0; i < count; ++i) {
    corners[i] = {std::lround(points[i].x), std::lround(points[i].y)};
  }
  SetDCBrushColor(dc, colour);
  Polygon(dc, corners, static_cast<int>(count));
}

void fill_ellipse(HDC dc, const RECT& rect, Colour colour) {
  SetDCBrushColor(dc, colour);
  Ellipse(dc, rect.left, rect.top, rect.right, rect.bottom);
}

// The picture's sign as an outline with its mark inside: a triangle with "!" or a circle with "i".
void draw_sign(HDC dc, const RECT& rect, bool warning, const SystemColours& colours) {
  const int width = rect.right - rect.left;
  const int height = rect.bottom - rect.top;
  if (width <= 0 || height <= 0) {
    return;
  }
  const int saved = SaveDC(dc);
  SelectObject(dc, GetStockObject(NULL_PEN));
  SelectObject(dc, GetStockObject(DC_BRUSH));
  const double line = std::max(1.0, std::round(width / 14.0));
  const auto at_height = [&](double share) { return rect.top + static_cast<int>(height * share); };
  const int mark = std::max(1, static_cast<int>(std::lround(width * 0.11)));
  const int mark_left = rect.left + (width - mark) / 2;
  RECT dot{};
  RECT stem{};
  if (warning) {
    const Point corners[]{{rect.left + width / 2.0, 1.0 * rect.top},
                          {1.0 * rect.right, 1.0 * rect.bottom},
                          {1.0 * rect.left, 1.0 * rect.bottom}};
    // The inner outline is the outer one drawn towards the centre of the inscribed circle, by
    // the line's width.
    const auto length = [](Point a, Point b) { return std::hypot(a.x - b.x, a.y - b.y); };
    const double a = length(corners[1], corners[2]);
    const double b = length(corners[2], corners[0]);
    const double c = length(corners[0], corners[1]);
    const Point centre{(a * corners[0].x + b * corners[1].x + c * corners[2].x) / (a + b + c),
                       (a * corners[0].y + b * corners[1].y + c * corners[2].y) / (a + b + c)};
    const double radius = 1.0 * width * height / (a + b + c);
    const double shrink = std::max(0.0, (radius - line) / radius);
    Point inner[3]{};
    for (int i = 0; i < 3; ++i) {
      inner[i] = {centre.x + (corners[i].x - centre.x) * shrink,
                  centre.y + (corners[i].y - centre.y) * shrink};
    }
    fill_polygon(dc, corners, colours.window_text);
    fill_polygon(dc, inner, colours.window);
    stem = {mark_left, at_height(0.36), mark_left + mark, at_height(0.68)};
    dot = {mark_left, at_height(0.75), mark_left + mark, at_height(0.75) + mark};
  } else {
    const int inset = static_cast<int>(line);
    fill_ellipse(dc, rect, colours.window_text);
    fill_ellipse(dc, {rect.left + inset, rect.top + inset, rect.right - inset, rect.bottom - inset},
                 colours.window);
    dot = {mark_left, at_height(0.22), mark_left + mark, at_height(0.22) + mark};
    stem = {mark_left, at_height(0.40), mark_left + mark, at_height(0.76)};
  }
  fill(dc, stem, colours.window_text);
  fill_ellipse(dc, dot, colours.window_text);
  RestoreDC(dc, saved);
}

void draw_word(HDC dc, const PictureMark& mark, const RECT& rect, const PixelScale& scale,
               Colour colour) {
  const FontPtr font = make_font(mark.font, scale);
  if (!font) {
    return;
  }
  const std::wstring text(mark.text.begin(), mark.text.end());
  RECT area = rect;
  const int saved = SaveDC(dc);
  SelectObject(dc, font.get());
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, colour);
  DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &area,
            DT_CENTER | DT_TOP | DT_SINGLELINE | DT_NOPREFIX);
  RestoreDC(dc, saved);
}

void draw_mark(HDC dc, const PictureMark& mark, const PixelScale& scale,
               const SystemColours& colours) {
  const RECT rect = to_rect(mark.rect, scale);
  switch (mark.shape) {
    case MarkShape::rule:
      fill(dc, rect, colours.window_text);
      break;
    case MarkShape::warning:
    case MarkShape::information:
      draw_sign(dc, rect, mark.shape == MarkShape::warning, colours);
      break;
    case MarkShape::word:
      draw_word(dc, mark, rect, scale, colours.window_text);
      break;
  }
}

// No picture: the theme's window colour, what the picture shown would tell drawn in its text
// colour, the labels, and a frame that sets the borderless window apart from what lies under it.
void paint_in_contrast(HDC dc, int width, int height, const Scene& scene,
                       const SystemColours& colours) {
  fill(dc, RECT{0, 0, width, height}, colours.window);
  const ImageLayout* information = scene.layout.information;
  const std::span<const PictureMark> marks = information != nullptr && scene.information_visible
                                                 ? information->marks
                                                 : scene.layout.background_marks;
  for (const PictureMark& mark : marks) {
    draw_mark(dc, mark, scene.scale, colours);
  }
  for (const Label& label : scene.labels | std::views::reverse) {
    draw_label(dc, label, scene.scale, colours_of(*label.layout, scene.contrast));
  }
  frame(dc, {0, 0, width, height}, layout_pixel(scene.scale), colours.window_text);
}

}  // namespace

std::optional<SystemColours> read_contrast_theme() {
  HIGHCONTRASTW contrast{};
  contrast.cbSize = sizeof contrast;
  if (SystemParametersInfoW(SPI_GETHIGHCONTRAST, sizeof contrast, &contrast, 0) == FALSE ||
      (contrast.dwFlags & HCF_HIGHCONTRASTON) == 0) {
    return std::nullopt;
  }
  return SystemColours{GetSysColor(COLOR_WINDOW), GetSysColor(COLOR_WINDOWTEXT),
                       GetSysColor(COLOR_BTNFACE), GetSysColor(COLOR_BTNTEXT)};
}

FontPtr create_font(const Font& font, const PixelScale& scale) {
  FontPtr handle = make_font(font, scale);
  if (!handle) {
    throw std::runtime_error("painting: CreateFontW failed");
  }
  return handle;
}

void paint_scene(HDC dc, int width, int height, const Scene& scene) {
  if (scene.contrast) {
    paint_in_contrast(dc, width, height, scene, *scene.contrast);
    return;
  }
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
    draw_label(dc, label, scene.scale, colours_of(*label.layout, std::nullopt));
  }
}

}  // namespace notice::win32
