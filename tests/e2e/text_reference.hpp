#pragma once

#include <string>

#include "ink_mask.hpp"
#include "screen_image.hpp"

namespace e2e {

struct LabelFont {
  const wchar_t* face;
  int pixel_height;  // character height, as a negative LOGFONT height
  int weight;
};

// Tahoma 8.25 pt and 9.75 pt at 96 dots per inch.
inline constexpr LabelFont kRegularFont{L"Tahoma", 11, 400};
inline constexpr LabelFont kBoldFont{L"Tahoma", 11, 700};
inline constexpr LabelFont kTitleFont{L"Tahoma", 13, 700};

enum class Ampersands { as_written, as_access_keys };

// The ink of the text drawn in white at the top left of a box of the given size: what a label
// showing this text should look like. As access keys, "&&" is one ampersand and a lone "&"
// underlines the next letter. Larger sizes are anti-aliased, so the edges of the letters depend
// on the colour beneath them: give the picture's colour there.
InkMask reference_ink(const std::wstring& text, const LabelFont& font, int box_width,
                      int box_height, Ampersands ampersands = Ampersands::as_written,
                      Rgb background = Rgb{0, 0, 0});

// The ink of the text as a notice label lays it out in a box of the given size: from the top left,
// broken into lines at blanks and line breaks, access-key ampersands, everything past the box cut
// off. For texts whose layout matters (tabs, line breaks, long words, right-to-left runs).
InkMask label_reference_ink(const std::wstring& text, const LabelFont& font, int box_width,
                            int box_height, Rgb background = Rgb{0, 0, 0});

}  // namespace e2e
