#include "text_reference.hpp"

#include <windows.h>

#include <cstdint>
#include <stdexcept>

#include "screen_image.hpp"

namespace e2e {

InkMask reference_ink(const std::wstring& text, const LabelFont& font, int box_width,
                      int box_height, Ampersands ampersands) {
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  ReleaseDC(nullptr, screen);
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = box_width;
  info.bmiHeader.biHeight = -box_height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(memory, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  HFONT handle = CreateFontW(-font.pixel_height, 0, 0, 0, font.weight, FALSE, FALSE, FALSE,
                             ANSI_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                             DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, font.face);
  if (bitmap == nullptr || bits == nullptr || handle == nullptr) {
    DeleteDC(memory);
    throw std::runtime_error("cannot prepare the reference text drawing");
  }
  HGDIOBJ old_bitmap = SelectObject(memory, bitmap);
  HGDIOBJ old_font = SelectObject(memory, handle);
  RECT box{0, 0, box_width, box_height};
  FillRect(memory, &box, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
  SetBkMode(memory, TRANSPARENT);
  SetTextColor(memory, RGB(255, 255, 255));
  DrawTextW(memory, text.c_str(), static_cast<int>(text.size()), &box,
            DT_LEFT | DT_TOP | DT_SINGLELINE |
                (ampersands == Ampersands::as_written ? DT_NOPREFIX : 0U));
  GdiFlush();

  InkMask mask{box_width, box_height, {}};
  mask.ink.reserve(static_cast<std::size_t>(box_width) * box_height);
  const auto* pixels = static_cast<const std::uint32_t*>(bits);
  for (int y = 0; y < box_height; ++y) {
    for (int x = 0; x < box_width; ++x) {
      const std::uint32_t p = pixels[static_cast<std::size_t>(y) * box_width + x];
      const Rgb colour{static_cast<int>((p >> 16) & 0xFF), static_cast<int>((p >> 8) & 0xFF),
                       static_cast<int>(p & 0xFF)};
      mask.ink.push_back(is_ink(colour));
    }
  }
  SelectObject(memory, old_font);
  SelectObject(memory, old_bitmap);
  DeleteObject(handle);
  DeleteObject(bitmap);
  DeleteDC(memory);
  return mask;
}

}  // namespace e2e
