#include "ink_mask.hpp"

#include <algorithm>

namespace e2e {

int InkMask::count() const { return static_cast<int>(std::count(ink.begin(), ink.end(), true)); }

int InkMask::extent() const {
  int end = 0;
  for (int y = 0; y < height; ++y) {
    for (int x = end; x < width; ++x) {
      if (at(x, y)) {
        end = x + 1;
      }
    }
  }
  return end;
}

InkMask InkMask::left_part(int columns) const {
  InkMask part = *this;
  for (int y = 0; y < height; ++y) {
    for (int x = columns; x < width; ++x) {
      part.ink[static_cast<std::size_t>(y) * width + x] = false;
    }
  }
  return part;
}

InkMask InkMask::right_part(int columns) const {
  InkMask part = *this;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < std::min(columns, width); ++x) {
      part.ink[static_cast<std::size_t>(y) * width + x] = false;
    }
  }
  return part;
}

std::string InkMask::draw() const {
  const int shown_width = std::max(extent(), 1);
  std::string text;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < shown_width; ++x) {
      text += at(x, y) ? '#' : '.';
    }
    text += '\n';
  }
  return text;
}

int mismatches(const InkMask& a, const InkMask& b, int shift) {
  int differ = 0;
  for (int y = 0; y < a.height; ++y) {
    const int by = y - shift;
    for (int x = 0; x < a.width; ++x) {
      const bool in_b = by >= 0 && by < b.height && x < b.width && b.at(x, by);
      differ += a.at(x, y) != in_b ? 1 : 0;
    }
  }
  return differ;
}

int best_mismatches(const InkMask& a, const InkMask& b) {
  int best = mismatches(a, b);
  for (const int shift : {-2, -1, 1, 2}) {
    best = std::min(best, mismatches(a, b, shift));
  }
  return best;
}

}  // namespace e2e
