#include "pixel_geometry.hpp"

#include <algorithm>
#include <cmath>
#include <utility>

namespace notice::win32 {
namespace {

constexpr double kPixelLimit = 1 << 30;

constexpr double kTwipsPerInch = 1440.0;
constexpr double kPointsPerInch = 72.0;

bool contains(const PixelRect& rect, int x, int y) {
  return x >= rect.x && x < rect.x + rect.width && y >= rect.y && y < rect.y + rect.height;
}

int nearest_pixel(double pixels) {
  pixels = std::round(pixels);
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

}  // namespace

// A float times a dpi is exact in a double, so at 96 dpi this is exactly twips / 15.
int PixelScale::pixels(float twips) const {
  return nearest_pixel(static_cast<double>(twips) * dpi_ / kTwipsPerInch);
}

float PixelScale::twips(int pixels) const {
  return static_cast<float>(static_cast<double>(pixels) * kTwipsPerInch / dpi_);
}

PixelRect PixelScale::element(const TwipRect& rect) const {
  const int left = pixels(rect.left);
  const int top = pixels(rect.top);
  return {left, top, pixels(rect.left + rect.width) - left, pixels(rect.top + rect.height) - top};
}

PixelRect PixelScale::window(const TwipRect& rect) const {
  return {pixels(rect.left), pixels(rect.top), pixels(rect.width), pixels(rect.height)};
}

int PixelScale::font_height(float points) const {
  return -nearest_pixel(static_cast<double>(points) * dpi_ / kPointsPerInch);
}

int PixelScale::picture_length(int pixels, int from_dpi) const {
  return nearest_pixel(static_cast<double>(pixels) * dpi_ / from_dpi);
}

int text_size_percent(std::optional<std::uint32_t> stored) {
  constexpr std::uint32_t kSmallest = 100;
  constexpr std::uint32_t kLargest = 225;
  return static_cast<int>(std::clamp(stored.value_or(kSmallest), kSmallest, kLargest));
}

PixelScale notice_scale(int display_dpi, int text_percent, const TwipRect& room, int screen_width,
                        int screen_height) {
  const int display = PixelScale(display_dpi).dpi();
  double dpi = std::round(display * std::clamp(text_percent, 100, 225) / 100.0);
  // Exactly, not as rounded pixels: at the largest scale that fits, no edge falls off the screen.
  for (const auto& [pixels, twips] :
       {std::pair{screen_width, room.width}, std::pair{screen_height, room.height}}) {
    if (twips > 0.0F) {
      dpi = std::min(dpi, std::floor(pixels * kTwipsPerInch / twips));
    }
  }
  return PixelScale(dpi > display ? static_cast<int>(std::min(dpi, kLayoutDpi * 10.0)) : display);
}

int picture_percent_for(int dpi, std::span<const int> percents) {
  for (const int percent : percents) {
    if (percent * kLayoutDpi >= dpi * 100) {
      return percent;
    }
  }
  return percents.back();
}

bool needs_window_call(const PixelRect& shown, const PixelRect& wanted, int desktop_right) {
  if (shown == wanted) {
    return false;
  }
  return shown.x < desktop_right || wanted.x < desktop_right;
}

std::optional<Element> element_at(const WindowLayout& layout, const PixelScale& scale, int x,
                                  int y) {
  for (const LabelLayout& label : layout.labels) {
    if (contains(scale.element(label.rect), x, y)) {
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
