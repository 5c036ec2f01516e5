#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "ink_mask.hpp"

namespace e2e {

struct Rgb {
  int r;
  int g;
  int b;
  bool operator==(const Rgb&) const = default;
};

std::string describe(Rgb colour);

// Each channel within the tolerance: the pictures are JPEGs, so flat areas are only nearly flat.
bool close_to(Rgb actual, Rgb expected, int tolerance);

// White letters on the dark pictures: every channel well above any picture colour under the text.
bool is_ink(Rgb colour);

// A copy of part of the screen as the user sees it, read from the screen DC.
class ScreenImage {
 public:
  static ScreenImage capture(const RECT& area);

  int width() const { return width_; }
  int height() const { return height_; }
  Rgb at(int x, int y) const;
  bool operator==(const ScreenImage&) const = default;

  // A part of this image, in this image's coordinates.
  ScreenImage crop(int left, int top, int crop_width, int crop_height) const;
  int count(int left, int top, int w, int h, bool (*test)(Rgb)) const;
  InkMask ink_mask(int left, int top, int w, int h) const;
  // As a binary PPM file, for a person to look at.
  void save(const std::string& path) const;

 private:
  int width_ = 0;
  int height_ = 0;
  std::vector<std::uint32_t> pixels_;  // top-down 0x00RRGGBB
};

}  // namespace e2e
