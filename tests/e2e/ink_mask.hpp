#pragma once

#include <string>
#include <vector>

namespace e2e {

// Which pixels of a rectangle carry the white letters of a label.
struct InkMask {
  int width = 0;
  int height = 0;
  std::vector<bool> ink;  // row by row

  bool at(int x, int y) const { return ink[static_cast<std::size_t>(y) * width + x]; }
  int count() const;
  // One past the rightmost column with ink; 0 when there is none.
  int extent() const;
  // The same rectangle with everything right of the first `columns` columns blanked.
  InkMask left_part(int columns) const;
  // The same rectangle with the first `columns` columns blanked.
  InkMask right_part(int columns) const;
  // '#' for ink, '.' for none, one line per row, for failure messages.
  std::string draw() const;
};

// Pixels where exactly one of the two masks has ink, with `b` moved down by `shift` rows; the
// masks have the same size.
int mismatches(const InkMask& a, const InkMask& b, int shift = 0);

// The fewest mismatches over small vertical shifts: a label may place its text a row lower
// than the test's own drawing does.
int best_mismatches(const InkMask& a, const InkMask& b);

}  // namespace e2e
