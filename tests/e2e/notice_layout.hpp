#pragma once

#include <windows.h>

namespace e2e {

// Where a user sees things on the message notice, in pixels from the window's top-left corner.
inline constexpr int kNoticeWidth = 569;
inline constexpr int kNoticeHeight = 122;
inline constexpr int kRightGap = 570;   // from the screen's right edge to the window's left edge
inline constexpr int kBottomGap = 165;  // from the screen's bottom edge to the window's top edge

inline constexpr RECT kTitleStrip{0, 2, 565, 17};
inline constexpr RECT kCloseBox{542, 2, 565, 17};
inline constexpr int kMarkLeft = 8;  // the picture's "!" or "i" in the header band, x 8-10
inline constexpr int kMarkRight = 11;

inline constexpr int kLabelLeft = 86;
inline constexpr int kLabelWidth = 467;
inline constexpr int kLabelHeight = 15;
inline constexpr int kDateTop = 28;
inline constexpr int kMessageTop = 46;
inline constexpr int kSolutionTop = 64;
inline constexpr int kRemarksTop = 82;

}  // namespace e2e
