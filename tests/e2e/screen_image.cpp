#include "screen_image.hpp"

#include <cstdio>
#include <cstdlib>
#include <stdexcept>

namespace e2e {

std::string describe(Rgb colour) {
  char text[32];
  std::snprintf(text, sizeof text, "(%d,%d,%d)", colour.r, colour.g, colour.b);
  return text;
}

bool close_to(Rgb actual, Rgb expected, int tolerance) {
  return std::abs(actual.r - expected.r) <= tolerance &&
         std::abs(actual.g - expected.g) <= tolerance &&
         std::abs(actual.b - expected.b) <= tolerance;
}

bool is_ink(Rgb colour) { return colour.r >= 150 && colour.g >= 150 && colour.b >= 150; }

ScreenImage ScreenImage::capture(const RECT& area) {
  ScreenImage image;
  image.width_ = area.right - area.left;
  image.height_ = area.bottom - area.top;
  if (image.width_ <= 0 || image.height_ <= 0) {
    throw std::invalid_argument("empty capture area");
  }
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = image.width_;
  info.bmiHeader.biHeight = -image.height_;  // top-down
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(memory, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  const bool ok = bitmap != nullptr && bits != nullptr;
  if (ok) {
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, image.width_, image.height_, screen, area.left, area.top, SRCCOPY);
    GdiFlush();
    const auto* first = static_cast<const std::uint32_t*>(bits);
    image.pixels_.assign(first, first + static_cast<std::size_t>(image.width_) * image.height_);
    SelectObject(memory, old);
    DeleteObject(bitmap);
  }
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  if (!ok) {
    throw std::runtime_error("cannot create a bitmap for the screen capture");
  }
  return image;
}

Rgb ScreenImage::at(int x, int y) const {
  if (x < 0 || y < 0 || x >= width_ || y >= height_) {
    throw std::out_of_range("pixel " + std::to_string(x) + "," + std::to_string(y) +
                            " outside the capture");
  }
  const std::uint32_t p = pixels_[static_cast<std::size_t>(y) * width_ + x];
  return Rgb{static_cast<int>((p >> 16) & 0xFF), static_cast<int>((p >> 8) & 0xFF),
             static_cast<int>(p & 0xFF)};
}

ScreenImage ScreenImage::crop(int left, int top, int crop_width, int crop_height) const {
  ScreenImage part;
  part.width_ = crop_width;
  part.height_ = crop_height;
  part.pixels_.reserve(static_cast<std::size_t>(crop_width) * crop_height);
  for (int y = top; y < top + crop_height; ++y) {
    for (int x = left; x < left + crop_width; ++x) {
      const Rgb c = at(x, y);
      part.pixels_.push_back(static_cast<std::uint32_t>((c.r << 16) | (c.g << 8) | c.b));
    }
  }
  return part;
}

int ScreenImage::count(int left, int top, int w, int h, bool (*test)(Rgb)) const {
  int n = 0;
  for (int y = top; y < top + h; ++y) {
    for (int x = left; x < left + w; ++x) {
      n += test(at(x, y)) ? 1 : 0;
    }
  }
  return n;
}

InkMask ScreenImage::ink_mask(int left, int top, int w, int h) const {
  InkMask mask{w, h, {}};
  mask.ink.reserve(static_cast<std::size_t>(w) * h);
  for (int y = top; y < top + h; ++y) {
    for (int x = left; x < left + w; ++x) {
      mask.ink.push_back(is_ink(at(x, y)));
    }
  }
  return mask;
}

void ScreenImage::save(const std::string& path) const {
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) {
    return;
  }
  std::fprintf(file, "P6 %d %d 255\n", width_, height_);
  for (const std::uint32_t p : pixels_) {
    const unsigned char rgb[] = {static_cast<unsigned char>(p >> 16),
                                 static_cast<unsigned char>(p >> 8), static_cast<unsigned char>(p)};
    std::fwrite(rgb, 1, sizeof rgb, file);
  }
  std::fclose(file);
}

}  // namespace e2e
