#include "pixel_geometry.hpp"

#include <cmath>

namespace notice::win32 {
namespace {

constexpr double kPixelLimit = 1 << 30;

bool contains(const PixelRect& rect, int x, int y) {
  return x >= rect.x && x < rect.x + rect.width && y >= rect.y && y < rect.y + rect.height;
}

}  // namespace

int twips_to_pixels(float twips) {
  const double pixels = std::round(static_cast<double>(twips) / kTwipsPerPixel);
  if (std::isnan(pixels)) {
    return 0;
  }
  if (pixels > kPixelLimit) {
    return static_cast<int>(kPixelLimit);
  }
  if (pixels < -kPixelLimit) {
    return -static_cast<int>(kPixelLimit);
  }
  return static_cast<int>(pixels);
}

PixelRect to_pixels(const TwipRect& rect) {
  return {twips_to_pixels(rect.left), twips_to_pixels(rect.top), twips_to_pixels(rect.width),
          twips_to_pixels(rect.height)};
}

bool needs_window_call(const PixelRect& shown, const PixelRect& wanted, int desktop_right) {
  if (shown == wanted) {
    return false;
  }
  return shown.x < desktop_right || wanted.x < desktop_right;
}

std::optional<Element> element_at(const WindowLayout& layout, int x, int y) {
  for (const LabelLayout& label : layout.labels) {
    if (contains(to_pixels(label.rect), x, y)) {
      return label.id;
    }
  }
  return std::nullopt;
}

std::u16string directory_of(std::u16string_view module_path) {
  const std::size_t separator = module_path.find_last_of(u"\\/");
  if (separator == std::u16string_view::npos) {
    return {};
  }
  std::u16string directory(module_path.substr(0, separator));
  if (!directory.empty() && directory.back() == u':') {
    directory += module_path[separator];
  }
  return directory;
}

}  // namespace notice::win32
