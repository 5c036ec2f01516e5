#pragma once

#include <windows.h>

#include "screen_image.hpp"

namespace e2e {

// The flat colours of a notice picture, away from its marks and watermarks.
struct PictureColours {
  const char* name;
  Rgb band;  // header band, rows 0-19
  Rgb rule;  // row 20
  Rgb body;
};

inline constexpr PictureColours kWarningPicture{"red warning", {109, 21, 20}, {254, 0, 0},
                                                {89, 11, 11}};
inline constexpr PictureColours kInformationPicture{"blue information", {10, 56, 92},
                                                    {0, 128, 255}, {17, 45, 67}};

// JPEG leaves flat areas within a few steps of their colour.
inline constexpr int kColourTolerance = 16;

// Checks (with EXPECT) a window capture for the picture's band, rule and body colours.
void expect_picture(const ScreenImage& image, const PictureColours& picture);

// The title strip: white letters right of the mark, nothing but the band left of it, the mark.
void expect_title(const ScreenImage& image, const PictureColours& picture);

// The white close box with its dark-red X; without a box, where the message notice has it.
void expect_close_box(const ScreenImage& image);
void expect_close_box(const ScreenImage& image, const RECT& box);

}  // namespace e2e
