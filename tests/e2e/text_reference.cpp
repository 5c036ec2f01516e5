#include "text_reference.hpp"

#include <windows.h>

#include <cstdint>
#include <stdexcept>
#include <vector>

#include "screen_image.hpp"

namespace e2e {

namespace {

InkMask draw_reference(const std::wstring& text, const LabelFont& font, int box_width,
                       int box_height, UINT format, Rgb background) {
  // A bitmap compatible with the screen, as a window's paint buffer is: under Wine, text drawn on
  // it is smoothed differently from text drawn on a DIB section.
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, box_width, box_height);
  ReleaseDC(nullptr, screen);
  HFONT handle = CreateFontW(-font.pixel_height, 0, 0, 0, font.weight, FALSE, FALSE, FALSE,
                             ANSI_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                             DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, font.face);
  if (memory == nullptr || bitmap == nullptr || handle == nullptr) {
    throw std::runtime_error("cannot prepare the reference text drawing");
  }
  HGDIOBJ old_bitmap = SelectObject(memory, bitmap);
  HGDIOBJ old_font = SelectObject(memory, handle);
  RECT box{0, 0, box_width, box_height};
  HBRUSH fill = CreateSolidBrush(RGB(background.r, background.g, background.b));
  FillRect(memory, &box, fill);
  DeleteObject(fill);
  SetBkMode(memory, TRANSPARENT);
  SetTextColor(memory, RGB(255, 255, 255));
  DrawTextW(memory, text.c_str(), static_cast<int>(text.size()), &box, format);
  SelectObject(memory, old_font);
  SelectObject(memory, old_bitmap);

  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = box_width;
  info.bmiHeader.biHeight = -box_height;  // top-down
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  std::vector<std::uint32_t> pixels(static_cast<std::size_t>(box_width) * box_height);
  const int rows = GetDIBits(memory, bitmap, 0, static_cast<UINT>(box_height), pixels.data(),
                             &info, DIB_RGB_COLORS);
  DeleteObject(handle);
  DeleteObject(bitmap);
  DeleteDC(memory);
  if (rows != box_height) {
    throw std::runtime_error("cannot read the reference text drawing");
  }

  InkMask mask{box_width, box_height, {}};
  mask.ink.reserve(pixels.size());
  for (const std::uint32_t p : pixels) {
    mask.ink.push_back(is_ink(Rgb{static_cast<int>((p >> 16) & 0xFF),
                                  static_cast<int>((p >> 8) & 0xFF), static_cast<int>(p & 0xFF)}));
  }
  return mask;
}

}  // namespace

InkMask reference_ink(const std::wstring& text, const LabelFont& font, int box_width,
                      int box_height, Ampersands ampersands, Rgb background) {
  return draw_reference(text, font, box_width, box_height,
                        DT_LEFT | DT_TOP | DT_SINGLELINE |
                            (ampersands == Ampersands::as_written ? DT_NOPREFIX : 0U),
                        background);
}

InkMask label_reference_ink(const std::wstring& text, const LabelFont& font, int box_width,
                            int box_height, Rgb background) {
  return draw_reference(text, font, box_width, box_height, DT_LEFT | DT_TOP | DT_WORDBREAK,
                        background);
}

}  // namespace e2e
