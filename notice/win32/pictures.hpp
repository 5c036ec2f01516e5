#pragma once

#include <wincodec.h>
#include <windows.h>

#include <array>

#include "handles.hpp"
#include "picture_ids.h"
#include "pixel_geometry.hpp"

namespace notice::win32 {

// A decoded picture: a top-down 32-bit DIB of its natural size.
struct Picture {
  BitmapPtr bitmap;
  int width = 0;
  int height = 0;
};

// The scales, in percent and smallest first, at which the programs carry each picture (the
// resource PICTURE_SCALED(picture, percent) beyond 100), drawn from the same source for each.
inline constexpr std::array kPicturePercents{100, 125, 150, 175, 200, 250, 300};

// Decodes the program's JPEG resources with WIC. Needs COM initialised on this thread.
class PictureDecoder {
 public:
  PictureDecoder();
  // Throws std::runtime_error when the resource is missing or cannot be decoded.
  Picture decode_resource(int resource_id);
  // The picture as a display of the scale's dpi shows it: the embedded scale that
  // picture_percent_for picks, shrunk with an area-averaging filter to the display's size when it
  // was drawn larger (enlarged only beyond the largest scale).
  Picture decode_for(int picture, const PixelScale& scale);

 private:
  ComPtr<IWICImagingFactory> factory_;
};

}  // namespace notice::win32
